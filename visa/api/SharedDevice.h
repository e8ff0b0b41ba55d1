#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "api/CallStop.h"
#include "api/ResourceLock.h"
#include "base/UsbTransport.h"
#include "usbtmc/UsbtmcExchange.h"

namespace zvisa {

// One opened USB interface and everything the sessions to it share: the
// transport (one handle, one claim, released when the last session lets go),
// the USBTMC exchange with its bTag sequence, the capabilities read on open,
// and the locks. Transfers run one call at a time across all sessions: a
// call takes the device's turn, waiting up to its session's timeout.
class SharedDevice {
public:
    using Owner = ResourceLock::Owner;  // the session

    // `transport` is not null. Reads the capabilities.
    explicit SharedDevice(std::unique_ptr<UsbTransport> transport);

    // Runs `call(exchange)` with the device to itself once it is `owner`'s
    // turn and the locks let `owner` in. Returns {status, 0} without calling
    // when the turn does not come within `timeoutMs` (VI_ERROR_TMO), the
    // ticket is stopped meanwhile (VI_ERROR_ABORT) or another session holds
    // a lock (VI_ERROR_RSRC_LOCKED, also for a lock taken while waiting).
    template <typename Call>
    usbtmc::IoResult Exclusively(Owner owner, const CallStop::Ticket& ticket, ViUInt32 timeoutMs,
                                 Call call) {
        if (const ViStatus status = TakeTurn(owner, ticket, timeoutMs); status != VI_SUCCESS) {
            return {status, 0};
        }
        const TurnGuard guard(*this);
        return call(exchange_);
    }

    // viLock through the device, so that callers waiting for the turn see
    // the new lock at once.
    ViStatus Lock(Owner owner, const CallStop::Ticket& ticket, ViAccessMode type,
                  ViUInt32 timeoutMs, const std::string& requestedKey, std::string& accessKey);
    // Wakes every wait of `owner`'s calls, and ends its transfer in progress,
    // so that they see their stopped tickets.
    void WakeCallsOf(Owner owner);

    bool IsLost() const { return exchange_.ConnectionLost(); }
    const UsbInterfaceIdentity& Identity() const { return identity_; }
    const usbtmc::DeviceCapabilities& Capabilities() const { return exchange_.Capabilities(); }
    std::uint16_t InterruptInMaxPacket() const { return interruptInMaxPacket_; }
    ResourceLock& Locks() { return locks_; }

private:
    class TurnGuard {
    public:
        explicit TurnGuard(SharedDevice& device) : device_(device) {}
        ~TurnGuard() { device_.GiveBackTurn(); }
        TurnGuard(const TurnGuard&) = delete;
        TurnGuard& operator=(const TurnGuard&) = delete;

    private:
        SharedDevice& device_;
    };

    ViStatus TakeTurn(Owner owner, const CallStop::Ticket& ticket, ViUInt32 timeoutMs);
    void GiveBackTurn();
    void WakeTurnWaiters();

    std::mutex turnMutex_;
    std::condition_variable turnChanged_;
    Owner turnHolder_ = nullptr;  // the session whose call has the device
    bool busy_ = false;
    std::unique_ptr<UsbTransport> transport_;
    UsbInterfaceIdentity identity_;
    std::uint16_t interruptInMaxPacket_ = 0;
    usbtmc::UsbtmcExchange exchange_;  // borrows *transport_: destroyed first
    ResourceLock locks_;
};

}  // namespace zvisa
