#include "tcpip/Vxi11Link.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "tcpip/HostAddress.h"
#include "vxi11/Portmapper.h"
#include "vxi11/Vxi11Protocol.h"

namespace zvisa::tcpip {

namespace {

using namespace vxi11;

// Replies carry at most one read's data; a larger record closes the connection.
constexpr std::size_t kMaxReadRequest = 1 << 20;
constexpr std::size_t kMaxReplySize = kMaxReadRequest + 1024;
constexpr std::size_t kMaxPortmapperReply = 1024;
// The most one device_write carries, whatever the server allows.
constexpr std::uint32_t kMaxWriteChunk = 1 << 20;
// A server that announces no size gets the smallest the protocol lets it announce.
constexpr std::uint32_t kMinRecvSize = 1024;
// The server answers a timed-out call itself at io_timeout; the client waits this much longer
// before it gives up and aborts.
constexpr ViUInt32 kReplyGraceMs = 500;
// How long an abort, or the destroy_link of a closing session, may take.
constexpr ViUInt32 kAbortBudgetMs = 1000;
constexpr ViUInt32 kInfinite = VI_TMO_INFINITE;

ViStatus FromDeviceError(std::int32_t error) {
    static const std::pair<std::int32_t, ViStatus> kStatuses[] = {
        {kErrNone, VI_SUCCESS},
        {kErrNotSupported, VI_ERROR_NSUP_OPER},
        {kErrLocked, VI_ERROR_RSRC_LOCKED},
        {kErrNoLockHeld, VI_ERROR_SESN_NLOCKED},
        {kErrIoTimeout, VI_ERROR_TMO},
        {kErrAbort, VI_ERROR_ABORT},
        {kErrInvalidLinkId, VI_ERROR_CONN_LOST},
        {kErrChannelNotEstablished, VI_ERROR_CONN_LOST},
        {kErrOutOfResources, VI_ERROR_RSRC_BUSY},
    };
    for (const auto& [code, status] : kStatuses) {
        if (code == error) {
            return status;
        }
    }
    return VI_ERROR_IO;
}

// create_link's errors say the device is not there, or busy.
ViStatus FromCreateLinkError(std::int32_t error) {
    switch (error) {
        case kErrSyntax:
        case kErrNotAccessible:
        case kErrParameter:
        case kErrInvalidAddress:
            return VI_ERROR_RSRC_NFOUND;
        default:
            return FromDeviceError(error);
    }
}

ViUInt32 WithGrace(ViUInt32 timeoutMs) {
    return timeoutMs >= kInfinite - kReplyGraceMs ? kInfinite : timeoutMs + kReplyGraceMs;
}

// The io_timeout the server gets: what is left of the call, less the client's grace.
ViUInt32 ServerTimeout(const SocketWait& wait) {
    if (wait.infinite) {
        return kInfinite;
    }
    const ViUInt32 left = wait.RemainingMs();
    return left > kReplyGraceMs ? left - kReplyGraceMs : 0;
}

ViStatus OpenFailure(CallResult result) {
    switch (result) {
        case CallResult::kTimeout:
            return VI_ERROR_TMO;
        case CallResult::kRefused:
        case CallResult::kLost:
            return VI_ERROR_RSRC_NFOUND;
        default:
            return VI_ERROR_IO;
    }
}

}  // namespace

Vxi11Link::Vxi11Link() : core_(kMaxReplySize), abort_(kMaxPortmapperReply) {}

Vxi11Link::~Vxi11Link() {
    if (linked_ && !lost_) {
        XdrWriter args;
        EncodeLinkId(args, lid_);
        CallCore(kDestroyLink, args.Take(), SocketWait::For(kAbortBudgetMs));
    }
}

ViStatus Vxi11Link::Open(const std::string& host, const std::string& device, ViUInt32 timeoutMs) {
    const SocketWait wait = SocketWait::For(timeoutMs);
    const ResolveResult resolved = ResolveHost(host, std::chrono::milliseconds(wait.RemainingMs()));
    if (resolved.outcome != ResolveResult::kFound) {
        return resolved.outcome == ResolveResult::kTimeout ? VI_ERROR_TMO : VI_ERROR_RSRC_NFOUND;
    }
    address_ = resolved.address;
    std::uint16_t corePort = 0;
    if (const ViStatus asked = AskPortmapper(wait, corePort); asked != VI_SUCCESS) {
        return asked;
    }
    if (const CallResult connected = core_.Connect(address_, corePort, wait);
        connected != CallResult::kOk) {
        return OpenFailure(connected);
    }
    return CreateLink(device, wait);
}

// GETPORT over TCP, on a connection of its own.
ViStatus Vxi11Link::AskPortmapper(const SocketWait& wait, std::uint16_t& corePort) {
    RpcClient portmapper(kMaxPortmapperReply);
    if (const CallResult connected = portmapper.Connect(address_, PortmapperPort(), wait);
        connected != CallResult::kOk) {
        return OpenFailure(connected);
    }
    XdrWriter args;
    Encode(args, Mapping{kCoreProgram, kVxi11Version, kIpProtoTcp, 0});
    std::vector<std::uint8_t> results;
    const CallResult called = portmapper.Call(kPortmapperProgram, kPortmapperVersion, kPmapGetPort,
                                              args.Take(), wait, results);
    if (called != CallResult::kOk) {
        return OpenFailure(called);
    }
    XdrReader in(results);
    const std::uint32_t port = in.GetUint32();
    if (!in.Ok() || port == 0 || port > 0xFFFF) {
        return VI_ERROR_RSRC_NFOUND;  // no VXI-11 server registered there
    }
    corePort = static_cast<std::uint16_t>(port);
    return VI_SUCCESS;
}

ViStatus Vxi11Link::CreateLink(const std::string& device, const SocketWait& wait) {
    XdrWriter args;
    Encode(args, CreateLinkParms{static_cast<std::int32_t>(getpid()), false, 0, device});
    const Reply reply = CallCore(kCreateLink, args.Take(), wait);
    if (reply.status != VI_SUCCESS) {
        return reply.status == VI_ERROR_CONN_LOST ? VI_ERROR_RSRC_NFOUND : reply.status;
    }
    XdrReader in(reply.results);
    CreateLinkResp resp;
    if (!Decode(in, resp)) {
        return VI_ERROR_IO;
    }
    if (resp.error != kErrNone) {
        return FromCreateLinkError(resp.error);
    }
    lid_ = resp.lid;
    abortPort_ = resp.abortPort;
    maxRecvSize_ =
        resp.maxRecvSize == 0 ? kMinRecvSize : std::min(resp.maxRecvSize, kMaxWriteChunk);
    linked_ = true;
    return VI_SUCCESS;
}

SocketWait Vxi11Link::WaitFor(ViUInt32 timeoutMs, const StopCheck& stopped) {
    return SocketWait::For(WithGrace(timeoutMs), &waker_, stopped);
}

// A call given up on goes on running on the server: device_abort ends it there, and its reply,
// when it comes, is dropped here.
Vxi11Link::Reply Vxi11Link::CallCore(std::uint32_t procedure,
                                     const std::vector<std::uint8_t>& arguments,
                                     const SocketWait& wait) {
    if (lost_ || !core_.IsConnected()) {
        lost_ = true;
        return {VI_ERROR_CONN_LOST, {}};
    }
    Reply reply;
    const CallResult result =
        core_.Call(kCoreProgram, kVxi11Version, procedure, arguments, wait, reply.results);
    switch (result) {
        case CallResult::kOk:
            return reply;
        case CallResult::kTimeout:
        case CallResult::kStopped:
            if (linked_) {
                AbortAbandonedCall();
            }
            return {result == CallResult::kTimeout ? VI_ERROR_TMO : VI_ERROR_ABORT, {}};
        case CallResult::kMalformed:
            return {VI_ERROR_IO, {}};
        default:
            lost_ = true;
            return {VI_ERROR_CONN_LOST, {}};
    }
}

void Vxi11Link::AbortAbandonedCall() {
    const SocketWait wait = SocketWait::For(kAbortBudgetMs);
    if (abortPort_ != 0 &&
        (abort_.IsConnected() || abort_.Connect(address_, abortPort_, wait) == CallResult::kOk)) {
        XdrWriter args;
        EncodeLinkId(args, lid_);
        std::vector<std::uint8_t> results;
        if (abort_.Call(kAbortProgram, kVxi11Version, kDeviceAbort, args.Take(), wait, results) !=
            CallResult::kOk) {
            abort_.Close();
        }
    }
    const CallResult late = core_.AwaitAbandonedReply(wait);
    if (late == CallResult::kLost) {
        lost_ = true;
    }
}

LinkIo Vxi11Link::Write(const std::uint8_t* data, std::size_t length, bool end, ViUInt32 timeoutMs,
                        const StopCheck& stopped) {
    const SocketWait wait = WaitFor(timeoutMs, stopped);
    LinkIo io;
    do {
        const std::size_t piece = std::min<std::size_t>(length - io.count, maxRecvSize_);
        const bool last = io.count + piece == length;
        DeviceWriteParms parms;
        parms.lid = lid_;
        parms.ioTimeout = ServerTimeout(wait);
        parms.flags = last && end ? kFlagEnd : 0;
        parms.data.assign(data + io.count, data + io.count + piece);
        XdrWriter args;
        Encode(args, parms);
        const Reply reply = CallCore(kDeviceWrite, args.Take(), wait);
        if (reply.status != VI_SUCCESS) {
            io.status = reply.status;
            return io;
        }
        XdrReader in(reply.results);
        DeviceWriteResp resp;
        if (!Decode(in, resp) || resp.size > piece) {
            io.status = VI_ERROR_IO;
            return io;
        }
        io.count += resp.size;
        if (resp.error != kErrNone) {
            io.status = FromDeviceError(resp.error);
            return io;
        }
        if (resp.size == 0 && piece > 0) {
            io.status = VI_ERROR_IO;  // no progress: the server takes no more
            return io;
        }
    } while (io.count < length);
    return io;
}

ViStatus Vxi11Link::ReadOnce(std::uint8_t* buffer, std::size_t request,
                             std::optional<std::uint8_t> termChar, const SocketWait& wait,
                             std::size_t& got, std::int32_t& reason) {
    DeviceReadParms parms;
    parms.lid = lid_;
    parms.requestSize = static_cast<std::uint32_t>(request);
    parms.ioTimeout = ServerTimeout(wait);
    parms.flags = termChar ? kFlagTermCharSet : 0;
    parms.termChar = termChar.value_or(0);
    XdrWriter args;
    Encode(args, parms);
    const Reply reply = CallCore(kDeviceRead, args.Take(), wait);
    if (reply.status != VI_SUCCESS) {
        return reply.status;
    }
    XdrReader in(reply.results);
    DeviceReadResp resp;
    // More data than asked for is a broken server: nothing of it is stored.
    if (!Decode(in, resp, request)) {
        return VI_ERROR_IO;
    }
    if (!resp.data.empty()) {
        std::memcpy(buffer, resp.data.data(), resp.data.size());
    }
    got = resp.data.size();
    reason = resp.reason;
    return FromDeviceError(resp.error);
}

// Reason 0 means more follows: read on until END, the termination character or a full buffer.
LinkIo Vxi11Link::Read(std::uint8_t* buffer, std::size_t count,
                       std::optional<std::uint8_t> termChar, bool ignoreEnd, ViUInt32 timeoutMs,
                       const StopCheck& stopped) {
    const SocketWait wait = WaitFor(timeoutMs, stopped);
    LinkIo io;
    while (io.count < count) {
        const std::size_t request = std::min(count - io.count, kMaxReadRequest);
        std::size_t got = 0;
        std::int32_t reason = 0;
        io.status = ReadOnce(buffer + io.count, request, termChar, wait, got, reason);
        io.count += got;
        if (io.status != VI_SUCCESS) {
            return io;
        }
        if ((reason & kReasonEnd) != 0 && !ignoreEnd) {
            return io;
        }
        if ((reason & kReasonTermChar) != 0) {
            io.status = VI_SUCCESS_TERM_CHAR;
            return io;
        }
        if (wait.Expired()) {
            io.status = VI_ERROR_TMO;
            return io;
        }
    }
    io.status = VI_SUCCESS_MAX_CNT;
    return io;
}

ViStatus Vxi11Link::GenericCall(std::uint32_t procedure, ViUInt32 timeoutMs,
                                const StopCheck& stopped, std::uint8_t* statusByte) {
    const SocketWait wait = WaitFor(timeoutMs, stopped);
    XdrWriter args;
    Encode(args, DeviceGenericParms{lid_, 0, 0, timeoutMs});
    const Reply reply = CallCore(procedure, args.Take(), wait);
    if (reply.status != VI_SUCCESS) {
        return reply.status;
    }
    XdrReader in(reply.results);
    if (statusByte != nullptr) {
        DeviceReadStbResp resp;
        if (!Decode(in, resp)) {
            return VI_ERROR_IO;
        }
        *statusByte = resp.stb;
        return FromDeviceError(resp.error);
    }
    std::int32_t error = 0;
    return DecodeError(in, error) ? FromDeviceError(error) : VI_ERROR_IO;
}

ViStatus Vxi11Link::ReadStatusByte(std::uint8_t& statusByte, ViUInt32 timeoutMs,
                                   const StopCheck& stopped) {
    return GenericCall(kDeviceReadStb, timeoutMs, stopped, &statusByte);
}

ViStatus Vxi11Link::Trigger(ViUInt32 timeoutMs, const StopCheck& stopped) {
    return GenericCall(kDeviceTrigger, timeoutMs, stopped);
}

ViStatus Vxi11Link::Clear(ViUInt32 timeoutMs, const StopCheck& stopped) {
    return GenericCall(kDeviceClear, timeoutMs, stopped);
}

ViStatus Vxi11Link::Lock(ViUInt32 timeoutMs, const StopCheck& stopped) {
    const SocketWait wait = WaitFor(timeoutMs, stopped);
    XdrWriter args;
    Encode(args, DeviceLockParms{lid_, timeoutMs > 0 ? kFlagWaitLock : 0, timeoutMs});
    const Reply reply = CallCore(kDeviceLock, args.Take(), wait);
    if (reply.status != VI_SUCCESS) {
        return reply.status;
    }
    XdrReader in(reply.results);
    std::int32_t error = 0;
    if (!DecodeError(in, error)) {
        return VI_ERROR_IO;
    }
    // viLock times out where another link keeps its lock.
    return error == kErrLocked ? VI_ERROR_TMO : FromDeviceError(error);
}

ViStatus Vxi11Link::Unlock(ViUInt32 timeoutMs, const StopCheck& stopped) {
    XdrWriter args;
    EncodeLinkId(args, lid_);
    const Reply reply = CallCore(kDeviceUnlock, args.Take(), WaitFor(timeoutMs, stopped));
    if (reply.status != VI_SUCCESS) {
        return reply.status;
    }
    XdrReader in(reply.results);
    std::int32_t error = 0;
    return DecodeError(in, error) ? FromDeviceError(error) : VI_ERROR_IO;
}

}  // namespace zvisa::tcpip
