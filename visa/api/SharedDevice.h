#pragma once

#include <memory>
#include <mutex>

#include "api/ResourceLock.h"
#include "base/UsbTransport.h"
#include "usbtmc/UsbtmcExchange.h"

namespace zvisa {

// One opened USB interface and everything the sessions to it share: the
// transport (one handle, one claim, released when the last session lets go),
// the USBTMC exchange with its bTag sequence, the capabilities read on open,
// and the locks. Transfers run one call at a time across all sessions.
class SharedDevice {
public:
    // `transport` is not null. Reads the capabilities.
    explicit SharedDevice(std::unique_ptr<UsbTransport> transport);

    // Runs `call(exchange)` with the device to itself.
    template <typename Call>
    auto Exclusively(Call call) {
        const std::lock_guard<std::mutex> lock(ioMutex_);
        return call(exchange_);
    }

    bool IsLost() const { return exchange_.ConnectionLost(); }
    const UsbInterfaceIdentity& Identity() const { return identity_; }
    const usbtmc::DeviceCapabilities& Capabilities() const { return exchange_.Capabilities(); }
    ResourceLock& Locks() { return locks_; }

private:
    std::mutex ioMutex_;
    std::unique_ptr<UsbTransport> transport_;
    UsbInterfaceIdentity identity_;
    usbtmc::UsbtmcExchange exchange_;  // borrows *transport_: destroyed first
    ResourceLock locks_;
};

}  // namespace zvisa
