#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/Clock.h"
#include "base/UsbTransport.h"
#include "base/VirtualClock.h"
#include "sim/SimMeterConfig.h"
#include "sim/SimUsbtmcDevice.h"
#include "visa.h"

namespace zvisa::sim {

// One simulated meter on its own USB port. Every session to it gets a
// SimTransport; they all share this device, as sessions to a real meter
// share its endpoints. Thread-safe.
class SimMeter : public std::enable_shared_from_this<SimMeter> {
public:
    explicit SimMeter(SimMeterConfig config);

    const std::string& Resource() const { return config_.resource; }
    // The time the meter runs on, and its sessions with it: virtual when the
    // settings ask for it, so a timeout takes its full length at once.
    Clock& TimeSource() { return clock_; }

    // Sets `transport` for a new session; VI_ERROR_RSRC_NFOUND while unplugged.
    ViStatus Connect(std::unique_ptr<UsbTransport>& transport);

    // Test hooks. An unplugged meter is not listed and every call of its
    // transports returns NoDevice; transports from before an unplug stay
    // dead after it is plugged back, like handles to a re-enumerated device.
    void SetPlugged(bool plugged);
    bool IsPlugged() const;
    // Transports not yet destroyed: a session that outlives its close leaks one.
    int OpenTransportCount() const;
    // Waits up to `realTimeout` for a bulk-IN call to block on the meter,
    // waiting for a reply; true once one does.
    bool AwaitBlockedBulkIn(std::chrono::milliseconds realTimeout);

    // The transport calls; `connection` is the plug-in the transport was made for.
    TransferOutcome BulkOut(unsigned connection, const std::uint8_t* data, std::size_t length);
    // Ends with Aborted, and `interrupted` reset, once `interrupted` is set.
    TransferOutcome BulkIn(unsigned connection, std::uint8_t* data, std::size_t length,
                           std::chrono::milliseconds timeout, std::atomic<bool>& interrupted);
    TransferOutcome ControlIn(unsigned connection, std::uint8_t requestType, std::uint8_t request,
                              std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                              std::uint16_t length);
    UsbResult ClearHalt(unsigned connection, std::uint8_t endpoint);
    void Disconnect();
    // Lets waiting bulk-IN calls look at their interrupt flags.
    void WakeWaiters();

private:
    bool IsConnected(unsigned connection) const { return plugged_ && connection == plugIns_; }

    const SimMeterConfig config_;
    std::unique_ptr<VirtualClock> virtualClock_;  // when the settings ask for virtual time
    Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;  // wakes bulk-IN calls waiting for a reply
    std::condition_variable blocked_;  // a bulk-IN call began to wait
    int blockedBulkIns_ = 0;
    SimUsbtmcDevice device_;
    bool plugged_ = true;
    unsigned plugIns_ = 0;
    int openTransports_ = 0;
};

}  // namespace zvisa::sim
