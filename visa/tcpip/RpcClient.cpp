#include "tcpip/RpcClient.h"

#include <chrono>

#include "vxi11/RpcMessage.h"
#include "vxi11/XdrReader.h"
#include "vxi11/XdrWriter.h"

namespace zvisa::tcpip {

namespace {
constexpr std::size_t kReceiveChunk = 64 * 1024;
}

// xids differ between clients and runs, so a reply meant for an earlier connection is not taken
// for this one's.
RpcClient::RpcClient(std::size_t maxReplySize)
    : maxReplySize_(maxReplySize),
      assembler_(maxReplySize),
      nextXid_(
          static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())),
      receiveBuffer_(kReceiveChunk) {}

CallResult RpcClient::FromNet(NetResult result) {
    switch (result) {
        case NetResult::kOk:
            return CallResult::kOk;
        case NetResult::kTimeout:
            return CallResult::kTimeout;
        case NetResult::kStopped:
            return CallResult::kStopped;
        case NetResult::kRefused:
            return CallResult::kRefused;
        default:
            return CallResult::kLost;
    }
}

CallResult RpcClient::Connect(const in_addr& address, std::uint16_t port, const SocketWait& wait) {
    assembler_ = vxi11::RecordAssembler(maxReplySize_);
    hasAbandoned_ = false;
    return FromNet(connection_.Connect(address, port, wait));
}

CallResult RpcClient::Call(std::uint32_t program, std::uint32_t version, std::uint32_t procedure,
                           const std::vector<std::uint8_t>& arguments, const SocketWait& wait,
                           std::vector<std::uint8_t>& results) {
    const std::uint32_t xid = nextXid_++;
    vxi11::XdrWriter call;
    vxi11::EncodeCallHeader(call, {xid, program, version, procedure});
    std::vector<std::uint8_t> payload = call.Take();
    payload.insert(payload.end(), arguments.begin(), arguments.end());
    const std::vector<std::uint8_t> record = vxi11::FrameRecord(payload);
    if (const NetResult sent = connection_.SendAll(record.data(), record.size(), wait);
        sent != NetResult::kOk) {
        // A record sent in part leaves the stream out of step.
        connection_.Close();
        return CallResult::kLost;
    }
    const CallResult result = ReceiveReply(xid, wait, results);
    if (result == CallResult::kTimeout || result == CallResult::kStopped) {
        abandonedXid_ = xid;
        hasAbandoned_ = true;
    }
    return result;
}

CallResult RpcClient::AwaitAbandonedReply(const SocketWait& wait) {
    if (!hasAbandoned_) {
        return CallResult::kOk;
    }
    std::vector<std::uint8_t> ignored;
    const CallResult result = ReceiveReply(abandonedXid_, wait, ignored);
    if (result != CallResult::kTimeout && result != CallResult::kStopped) {
        hasAbandoned_ = false;
    }
    return result == CallResult::kMalformed ? CallResult::kOk : result;
}

CallResult RpcClient::ReceiveReply(std::uint32_t xid, const SocketWait& wait,
                                   std::vector<std::uint8_t>& results) {
    for (;;) {
        while (auto record = assembler_.NextRecord()) {
            vxi11::XdrReader in(*record);
            vxi11::ReplyHeader reply;
            if (!vxi11::DecodeReplyHeader(in, reply)) {
                return CallResult::kMalformed;
            }
            if (reply.xid != xid) {
                continue;  // the late reply of a call given up on
            }
            if (reply.replyStat != vxi11::kMsgAccepted || reply.acceptStat != vxi11::kSuccess) {
                return CallResult::kMalformed;
            }
            results.assign(record->end() - static_cast<std::ptrdiff_t>(in.Remaining()),
                           record->end());
            return CallResult::kOk;
        }
        std::size_t received = 0;
        const NetResult got =
            connection_.Receive(receiveBuffer_.data(), receiveBuffer_.size(), received, wait);
        if (got != NetResult::kOk) {
            if (got == NetResult::kClosed || got == NetResult::kError) {
                connection_.Close();
            }
            return FromNet(got);
        }
        if (!assembler_.Feed(receiveBuffer_.data(), received)) {
            connection_.Close();  // a record over the bound
            return CallResult::kLost;
        }
    }
}

}  // namespace zvisa::tcpip
