// What a network client can send the VXI-11 server: the input is a byte stream, cut into pieces
// at the lengths its first byte picks, assembled into records under a small bound and decoded as
// a call to the program and procedure each names, then as a reply. Besides not crashing or
// reading out of bounds, no record may exceed the bound and no decoded opaque its limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "vxi11/Portmapper.h"
#include "vxi11/RecordMarking.h"
#include "vxi11/RpcMessage.h"
#include "vxi11/Vxi11Protocol.h"
#include "vxi11/XdrReader.h"

namespace {

using namespace zvisa::vxi11;

constexpr std::size_t kMaxRecord = 4096;
constexpr std::size_t kMaxData = 1024;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void DecodeCoreArguments(XdrReader& in, std::uint32_t procedure) {
    switch (procedure) {
        case kCreateLink: {
            CreateLinkParms p;
            Require(!Decode(in, p) || p.device.size() <= kMaxDeviceName);
            break;
        }
        case kDeviceWrite: {
            DeviceWriteParms p;
            Require(!Decode(in, p, kMaxData) || p.data.size() <= kMaxData);
            break;
        }
        case kDeviceRead: {
            DeviceReadParms p;
            Decode(in, p);
            break;
        }
        case kDeviceLock: {
            DeviceLockParms p;
            Decode(in, p);
            break;
        }
        case kDeviceEnableSrq: {
            DeviceEnableSrqParms p;
            Require(!Decode(in, p) || p.handle.size() <= kMaxSrqHandle);
            break;
        }
        case kDeviceDocmd: {
            DeviceDocmdParms p;
            Require(!Decode(in, p, kMaxData) || p.dataIn.size() <= kMaxData);
            break;
        }
        default: {
            DeviceGenericParms p;
            Decode(in, p);
        }
    }
}

void DecodeAsCall(const std::vector<std::uint8_t>& record) {
    XdrReader in(record);
    CallHeader call;
    if (DecodeCallHeader(in, call) != CallStatus::kOk) {
        return;
    }
    if (call.program == kPortmapperProgram) {
        Mapping mapping;
        Decode(in, mapping);
    } else {
        DecodeCoreArguments(in, call.procedure);
    }
    Require(in.Remaining() <= record.size());
}

void DecodeAsReply(const std::vector<std::uint8_t>& record) {
    XdrReader in(record);
    ReplyHeader reply;
    if (!DecodeReplyHeader(in, reply)) {
        return;
    }
    DeviceReadResp read;
    Require(!Decode(in, read, kMaxData) || read.data.size() <= kMaxData);
    XdrReader again(record);
    DecodeReplyHeader(again, reply);
    std::vector<Mapping> mappings;
    Require(!DecodeDumpReply(again, mappings, 16) || mappings.size() <= 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::size_t piece = data[0] % 16 + 1;
    RecordAssembler assembler(kMaxRecord);
    for (std::size_t at = 1; at < size && !assembler.Failed(); at += piece) {
        assembler.Feed(data + at, std::min(piece, size - at));
        while (auto record = assembler.NextRecord()) {
            Require(record->size() <= kMaxRecord);
            DecodeAsCall(*record);
            DecodeAsReply(*record);
        }
    }
    return 0;
}
