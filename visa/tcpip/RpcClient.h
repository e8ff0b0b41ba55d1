#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <vector>

#include "tcpip/SocketWait.h"
#include "tcpip/TcpConnection.h"
#include "vxi11/RecordMarking.h"

namespace zvisa::tcpip {

// What became of one remote call.
enum class CallResult {
    kOk,         // accepted and successful: the results follow
    kTimeout,    // no reply in time: the call may still be running on the server
    kStopped,    // the wait's stop check ended it, likewise
    kLost,       // the connection closed or broke
    kRefused,    // nothing listens there (Connect only)
    kMalformed,  // a reply that is no accepted success, or cut short
};

// ONC RPC calls over one TCP connection with record marking. Replies to calls given up on
// (timed out or stopped) are skipped by their xid when they arrive later.
class RpcClient {
public:
    explicit RpcClient(std::size_t maxReplySize);

    CallResult Connect(const in_addr& address, std::uint16_t port, const SocketWait& wait);
    // `results` gets the reply's body after its accepted-success header.
    CallResult Call(std::uint32_t program, std::uint32_t version, std::uint32_t procedure,
                    const std::vector<std::uint8_t>& arguments, const SocketWait& wait,
                    std::vector<std::uint8_t>& results);
    // Waits for the reply of the call last given up on and drops it.
    CallResult AwaitAbandonedReply(const SocketWait& wait);
    bool IsConnected() const { return connection_.IsOpen(); }
    void Close() { connection_.Close(); }

private:
    CallResult ReceiveReply(std::uint32_t xid, const SocketWait& wait,
                            std::vector<std::uint8_t>& results);
    static CallResult FromNet(NetResult result);

    TcpConnection connection_;
    std::size_t maxReplySize_;
    vxi11::RecordAssembler assembler_;
    std::uint32_t nextXid_;
    std::uint32_t abandonedXid_ = 0;
    bool hasAbandoned_ = false;
    std::vector<std::uint8_t> receiveBuffer_;
};

}  // namespace zvisa::tcpip
