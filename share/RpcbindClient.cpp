#include "share/RpcbindClient.h"

#include <poll.h>
#include <sys/socket.h>

#include <chrono>

#include "share/SocketIo.h"
#include "vxi11/RecordMarking.h"
#include "vxi11/RpcMessage.h"

using namespace zvisa::vxi11;

namespace {

constexpr std::chrono::milliseconds kCallTimeout(2000);
constexpr std::size_t kMaxReply = 1024;

}  // namespace

RpcbindClient::RpcbindClient(std::uint16_t port)
    : address_(*NetAddress::Parse("127.0.0.1", port)) {}

bool RpcbindClient::Reachable() {
    return Call(kPmapNull, nullptr).has_value();
}

std::optional<bool> RpcbindClient::Set(const Mapping& mapping) {
    return Call(kPmapSet, &mapping);
}

std::optional<bool> RpcbindClient::Unset(const Mapping& mapping) {
    return Call(kPmapUnset, &mapping);
}

std::optional<bool> RpcbindClient::Call(std::uint32_t procedure, const Mapping* mapping) {
    UniqueFd fd = ConnectTcp(address_, kCallTimeout);
    if (!fd.Valid()) {
        return std::nullopt;
    }
    XdrWriter out;
    const std::uint32_t xid = xid_++;
    EncodeCallHeader(out, {xid, kPortmapperProgram, kPortmapperVersion, procedure});
    if (mapping != nullptr) {
        Encode(out, *mapping);
    }
    if (!SendAll(fd.Get(), FrameRecord(out.Bytes()), kCallTimeout)) {
        return std::nullopt;
    }
    RecordAssembler assembler(kMaxReply);
    std::uint8_t chunk[kMaxReply];
    for (;;) {
        pollfd pfd{fd.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(kCallTimeout.count())) != 1) {
            return std::nullopt;
        }
        ssize_t n = ::recv(fd.Get(), chunk, sizeof chunk, 0);
        if (n <= 0 || !assembler.Feed(chunk, static_cast<std::size_t>(n))) {
            return std::nullopt;
        }
        if (std::optional<std::vector<std::uint8_t>> record = assembler.NextRecord()) {
            XdrReader in(*record);
            ReplyHeader reply;
            if (!DecodeReplyHeader(in, reply) || reply.xid != xid ||
                reply.replyStat != kMsgAccepted || reply.acceptStat != kSuccess) {
                return std::nullopt;
            }
            if (mapping == nullptr) {
                return true;
            }
            bool done = in.GetBool();
            return in.Ok() ? std::optional<bool>(done) : std::nullopt;
        }
    }
}
