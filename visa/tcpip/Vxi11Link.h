#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "tcpip/RpcClient.h"
#include "tcpip/SocketWait.h"
#include "visa.h"

namespace zvisa::tcpip {

// What a read or write moved, and how it ended.
struct LinkIo {
    ViStatus status = VI_SUCCESS;
    std::size_t count = 0;
};

// One VXI-11 link to a device on a host: the core channel the portmapper names, the link
// create_link makes, and the abort channel create_link announces, reached when a call is given
// up. Every call waits at most its timeout (plus a short grace for the reply), or until its stop
// check says so after Interrupt(); either way device_abort tells the server to stop, and the
// late reply is dropped, so the next call starts clean. A broken connection gives
// VI_ERROR_CONN_LOST from then on. One call at a time; Interrupt() from any thread.
class Vxi11Link {
public:
    using StopCheck = std::function<bool()>;

    Vxi11Link();
    ~Vxi11Link();  // destroys the link, waiting briefly for the server
    Vxi11Link(const Vxi11Link&) = delete;
    Vxi11Link& operator=(const Vxi11Link&) = delete;

    // Resolves `host`, asks its portmapper for the core channel and creates the link to
    // `device`, all within `timeoutMs`.
    ViStatus Open(const std::string& host, const std::string& device, ViUInt32 timeoutMs);

    // Splits at the server's max_recv_size; END on the last piece when `end`.
    LinkIo Write(const std::uint8_t* data, std::size_t length, bool end, ViUInt32 timeoutMs,
                 const StopCheck& stopped);
    // VI_SUCCESS at END, VI_SUCCESS_TERM_CHAR on `termChar`, VI_SUCCESS_MAX_CNT when `count`
    // bytes came first. With `ignoreEnd`, END does not end the read.
    LinkIo Read(std::uint8_t* buffer, std::size_t count, std::optional<std::uint8_t> termChar,
                bool ignoreEnd, ViUInt32 timeoutMs, const StopCheck& stopped);
    ViStatus ReadStatusByte(std::uint8_t& statusByte, ViUInt32 timeoutMs, const StopCheck& stopped);
    ViStatus Trigger(ViUInt32 timeoutMs, const StopCheck& stopped);
    ViStatus Clear(ViUInt32 timeoutMs, const StopCheck& stopped);
    // device_lock, waiting up to `timeoutMs` for another link's lock: VI_ERROR_TMO when it
    // stays. device_unlock: VI_ERROR_SESN_NLOCKED when this link holds none.
    ViStatus Lock(ViUInt32 timeoutMs, const StopCheck& stopped);
    ViStatus Unlock(ViUInt32 timeoutMs, const StopCheck& stopped);

    // From any thread: wakes the call in progress to look at its stop check.
    void Interrupt() { waker_.Wake(); }

    const in_addr& Address() const { return address_; }
    std::uint32_t MaxRecvSize() const { return maxRecvSize_; }

private:
    struct Reply {
        ViStatus status = VI_SUCCESS;  // of the call itself, before the device's error code
        std::vector<std::uint8_t> results;
    };

    ViStatus AskPortmapper(const SocketWait& wait, std::uint16_t& corePort);
    ViStatus CreateLink(const std::string& device, const SocketWait& wait);
    Reply CallCore(std::uint32_t procedure, const std::vector<std::uint8_t>& arguments,
                   const SocketWait& wait);
    void AbortAbandonedCall();
    ViStatus GenericCall(std::uint32_t procedure, ViUInt32 timeoutMs, const StopCheck& stopped,
                         std::uint8_t* statusByte = nullptr);
    ViStatus ReadOnce(std::uint8_t* buffer, std::size_t request,
                      std::optional<std::uint8_t> termChar, const SocketWait& wait,
                      std::size_t& got, std::int32_t& reason);
    SocketWait WaitFor(ViUInt32 timeoutMs, const StopCheck& stopped);

    Waker waker_;
    in_addr address_{};
    RpcClient core_;
    RpcClient abort_;
    std::int32_t lid_ = 0;
    std::uint16_t abortPort_ = 0;
    std::uint32_t maxRecvSize_ = 0;
    bool linked_ = false;
    bool lost_ = false;
};

}  // namespace zvisa::tcpip
