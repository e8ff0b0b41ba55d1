#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "base/UsbTransport.h"
#include "usbtmc/UsbtmcExchange.h"
#include "visa.h"

namespace zvisa {

// One viOpen: the opened transport, the USBTMC exchange over it and the
// session's I/O timeout, measured on the transport's clock. Calls on one session run one at a time,
// as the exchange keeps per-transfer state.
class InstrumentSession {
public:
    static constexpr ViUInt32 kDefaultTimeoutMs = 2000;

    // `transport` is not null.
    explicit InstrumentSession(std::unique_ptr<UsbTransport> transport);

    void SetTimeout(ViUInt32 timeoutMs) { timeoutMs_ = timeoutMs; }
    usbtmc::IoResult Write(const ViByte* data, ViUInt32 count);
    usbtmc::IoResult Read(ViByte* buffer, ViUInt32 count);

private:
    std::mutex ioMutex_;
    std::atomic<ViUInt32> timeoutMs_{kDefaultTimeoutMs};
    std::unique_ptr<UsbTransport> transport_;
    usbtmc::UsbtmcExchange exchange_;  // borrows *transport_: destroyed first
};

}  // namespace zvisa
