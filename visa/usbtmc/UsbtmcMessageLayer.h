#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa::usbtmc {

class UsbtmcExchange;

struct IoResult {
    ViStatus status = VI_SUCCESS;
    std::size_t count = 0;  // bytes written or stored, also on failure
};

// USBTMC device-dependent messages over one transport: DEV_DEP_MSG_OUT for
// writes, REQUEST_DEV_DEP_MSG_IN and DEV_DEP_MSG_IN for reads. One instance
// per VISA session; it owns the transport and the session's bTag sequence.
class UsbtmcMessageLayer {
public:
    explicit UsbtmcMessageLayer(std::unique_ptr<UsbTransport> transport);
    ~UsbtmcMessageLayer();
    UsbtmcMessageLayer(const UsbtmcMessageLayer&) = delete;
    UsbtmcMessageLayer& operator=(const UsbtmcMessageLayer&) = delete;

    // timeoutMs is the session's VI_ATTR_TMO_VALUE: one deadline for the
    // whole call, VI_TMO_INFINITE for none.
    IoResult Write(const std::uint8_t* data, std::size_t length, ViUInt32 timeoutMs);

    // VI_SUCCESS at the end of a message, VI_SUCCESS_MAX_CNT when `count`
    // bytes arrived first (the rest stays readable), VI_ERROR_TMO with the
    // bytes that did arrive. Never stores more than `count` bytes.
    IoResult Read(std::uint8_t* buffer, std::size_t count, ViUInt32 timeoutMs);

private:
    std::unique_ptr<UsbTransport> transport_;
    std::unique_ptr<UsbtmcExchange> exchange_;  // borrows *transport_: destroyed first
};

}  // namespace zvisa::usbtmc
