#include "api/SharedDevice.h"

#include <chrono>

namespace zvisa {

SharedDevice::SharedDevice(std::unique_ptr<UsbTransport> transport)
    : transport_(std::move(transport)),
      identity_(transport_->Identity()),
      interruptInMaxPacket_(transport_->InterruptInMaxPacket()),
      exchange_(*transport_) {
    exchange_.LoadCapabilities();
}

// The wait runs on real time even for a device on virtual time: the call it
// waits behind takes real time. The lock check comes after the wait as well,
// under the turn, so a lock taken while this call waited keeps it out.
ViStatus SharedDevice::TakeTurn(Owner owner, const CallStop::Ticket& ticket, ViUInt32 timeoutMs) {
    if (const ViStatus locked = locks_.CheckAccess(owner); locked != VI_SUCCESS) {
        return locked;
    }
    std::unique_lock<std::mutex> lock(turnMutex_);
    const auto mayGo = [&] {
        return ticket.Stopped() || !busy_ || locks_.CheckAccess(owner) != VI_SUCCESS;
    };
    if (timeoutMs == VI_TMO_INFINITE) {
        turnChanged_.wait(lock, mayGo);
    } else if (!turnChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), mayGo)) {
        return VI_ERROR_TMO;
    }
    if (ticket.Stopped()) {
        return VI_ERROR_ABORT;
    }
    if (const ViStatus locked = locks_.CheckAccess(owner); locked != VI_SUCCESS) {
        return locked;
    }
    busy_ = true;
    turnHolder_ = owner;
    return VI_SUCCESS;
}

// An interrupt meant for this call must not end the next one.
void SharedDevice::GiveBackTurn() {
    {
        const std::lock_guard<std::mutex> lock(turnMutex_);
        transport_->ClearInterrupt();
        busy_ = false;
        turnHolder_ = nullptr;
    }
    turnChanged_.notify_all();
}

ViStatus SharedDevice::Lock(Owner owner, const CallStop::Ticket& ticket, ViAccessMode type,
                            ViUInt32 timeoutMs, const std::string& requestedKey,
                            std::string& accessKey) {
    const ViStatus status = locks_.Lock(owner, ticket, type, timeoutMs, requestedKey, accessKey);
    if (status >= VI_SUCCESS) {
        WakeTurnWaiters();
    }
    return status;
}

void SharedDevice::WakeCallsOf(Owner owner) {
    {
        const std::lock_guard<std::mutex> lock(turnMutex_);
        if (busy_ && turnHolder_ == owner) {
            transport_->Interrupt();
        }
    }
    turnChanged_.notify_all();
    locks_.WakeWaiters();
}

// Under the mutex, so a caller between its check and its wait cannot miss it.
void SharedDevice::WakeTurnWaiters() {
    const std::lock_guard<std::mutex> lock(turnMutex_);
    turnChanged_.notify_all();
}

}  // namespace zvisa
