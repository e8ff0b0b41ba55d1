#include "Vxi11TestClient.h"

#include <poll.h>
#include <sys/socket.h>

#include "share/NetAddress.h"
#include "share/SocketIo.h"
#include "vxi11/RecordMarking.h"

using namespace zvisa::vxi11;

namespace {

constexpr std::chrono::milliseconds kReplyTimeout(8000);
constexpr std::size_t kMaxReply = 4 << 20;

}  // namespace

bool Vxi11TestClient::Connect(std::uint16_t port) {
    fd_ = ConnectTcp(*NetAddress::Parse("127.0.0.1", port), kReplyTimeout);
    return fd_.Valid();
}

std::optional<Vxi11TestClient::Bytes> Vxi11TestClient::Exchange(const Bytes& payload) {
    if (!SendRaw(FrameRecord(payload))) {
        return std::nullopt;
    }
    return Receive();
}

bool Vxi11TestClient::SendRaw(const Bytes& bytes) {
    return SendAll(fd_.Get(), bytes, kReplyTimeout);
}

std::optional<Vxi11TestClient::Bytes> Vxi11TestClient::Receive() {
    RecordAssembler assembler(kMaxReply);
    std::vector<std::uint8_t> chunk(65536);
    for (;;) {
        if (auto record = assembler.NextRecord()) {
            return record;
        }
        pollfd pfd{fd_.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(kReplyTimeout.count())) != 1) {
            return std::nullopt;
        }
        ssize_t n = ::recv(fd_.Get(), chunk.data(), chunk.size(), 0);
        if (n <= 0 || !assembler.Feed(chunk.data(), static_cast<std::size_t>(n))) {
            return std::nullopt;
        }
    }
}

std::optional<ReplyHeader> Vxi11TestClient::Call(std::uint32_t program, std::uint32_t procedure,
                                                 const Bytes& args, Bytes& body,
                                                 std::uint32_t version) {
    XdrWriter out;
    EncodeCallHeader(out, {xid_++, program, version, procedure});
    Bytes payload = out.Take();
    payload.insert(payload.end(), args.begin(), args.end());
    std::optional<Bytes> reply = Exchange(payload);
    if (!reply) {
        return std::nullopt;
    }
    XdrReader in(*reply);
    ReplyHeader header;
    if (!DecodeReplyHeader(in, header)) {
        return std::nullopt;
    }
    body.assign(reply->end() - static_cast<std::ptrdiff_t>(in.Remaining()), reply->end());
    return header;
}

namespace {

template <typename Parms>
Vxi11TestClient::Bytes Args(const Parms& parms) {
    XdrWriter out;
    Encode(out, parms);
    return out.Take();
}

// The results of a successful call decoded into `resp`; its error set to -1 otherwise.
template <typename Resp, typename... Bound>
Resp Results(const std::optional<ReplyHeader>& header, const Vxi11TestClient::Bytes& body,
             Bound... bound) {
    Resp resp;
    XdrReader in(body);
    if (!header || header->acceptStat != kSuccess || !Decode(in, resp, bound...)) {
        resp.error = -1;
    }
    return resp;
}

}  // namespace

CreateLinkResp Vxi11TestClient::CreateLink(const std::string& device, bool lock,
                                           std::uint32_t lockTimeout) {
    Bytes body;
    auto header =
        Call(kCoreProgram, kCreateLink, Args(CreateLinkParms{1, lock, lockTimeout, device}), body);
    return Results<CreateLinkResp>(header, body);
}

DeviceWriteResp Vxi11TestClient::Write(std::int32_t lid, const std::string& data,
                                       std::uint32_t flags, std::uint32_t lockTimeout) {
    Bytes body;
    auto header =
        Call(kCoreProgram, kDeviceWrite,
             Args(DeviceWriteParms{lid, 5000, lockTimeout, flags, Bytes(data.begin(), data.end())}),
             body);
    return Results<DeviceWriteResp>(header, body);
}

DeviceReadResp Vxi11TestClient::Read(std::int32_t lid, std::uint32_t requestSize,
                                     std::uint32_t flags, std::uint8_t termChar,
                                     std::uint32_t ioTimeout) {
    Bytes body;
    auto header =
        Call(kCoreProgram, kDeviceRead,
             Args(DeviceReadParms{lid, requestSize, ioTimeout, 0, flags, termChar}), body);
    return Results<DeviceReadResp>(header, body, std::size_t{requestSize});
}

std::int32_t Vxi11TestClient::Lock(std::int32_t lid, std::uint32_t flags,
                                   std::uint32_t lockTimeout) {
    return ErrorCall(kDeviceLock, Args(DeviceLockParms{lid, flags, lockTimeout}));
}

std::int32_t Vxi11TestClient::ErrorCall(std::uint32_t procedure, const Bytes& args,
                                        std::uint32_t program) {
    Bytes body;
    auto header = Call(program, procedure, args, body);
    XdrReader in(body);
    std::int32_t error = -1;
    if (!header || header->acceptStat != kSuccess || !DecodeError(in, error)) {
        return -1;
    }
    return error;
}

Vxi11TestClient::Bytes Vxi11TestClient::LinkIdArgs(std::int32_t lid) {
    XdrWriter out;
    EncodeLinkId(out, lid);
    return out.Take();
}
