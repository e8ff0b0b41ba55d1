#include "sim/SimMeter.h"

#include <algorithm>

#include "sim/SimTransport.h"

namespace zvisa::sim {

SimMeter::SimMeter(SimMeterConfig config)
    : config_(std::move(config)),
      virtualClock_(config_.virtualTime ? std::make_unique<VirtualClock>() : nullptr),
      clock_(virtualClock_ ? *virtualClock_ : Clock::Steady()),
      device_(config_) {}

ViStatus SimMeter::Connect(std::unique_ptr<UsbTransport>& transport) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_) {
        return VI_ERROR_RSRC_NFOUND;
    }
    transport = std::make_unique<SimTransport>(shared_from_this(), plugIns_);
    ++openTransports_;
    return VI_SUCCESS;
}

void SimMeter::SetPlugged(bool plugged) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (plugged == plugged_) {
        return;
    }
    plugged_ = plugged;
    if (!plugged) {
        ++plugIns_;
    }
    device_.PowerOn();
    changed_.notify_all();
}

bool SimMeter::IsPlugged() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

int SimMeter::OpenTransportCount() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return openTransports_;
}

void SimMeter::Disconnect() {
    const std::lock_guard<std::mutex> lock(mutex_);
    --openTransports_;
}

TransferOutcome SimMeter::BulkOut(unsigned connection, const std::uint8_t* data,
                                  std::size_t length) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!IsConnected(connection)) {
        return {UsbResult::NoDevice, 0};
    }
    if (data == nullptr && length > 0) {
        return {UsbResult::Error, 0};
    }
    const UsbResult result = device_.ReceiveBulkOut(data, length, clock_.Now());
    changed_.notify_all();
    return {result, result == UsbResult::Ok ? length : 0};
}

// Waits for a packet as a host controller does: until the device sends one,
// the timeout passes, or the device goes away.
TransferOutcome SimMeter::BulkIn(unsigned connection, std::uint8_t* data, std::size_t length,
                                 std::chrono::milliseconds timeout,
                                 std::atomic<bool>& interrupted) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (data == nullptr && length > 0) {
        return {UsbResult::Error, 0};
    }
    const Clock::TimePoint deadline =
        timeout == kWaitForever ? Clock::TimePoint::max() : Later(clock_.Now(), timeout);
    for (;;) {
        if (!IsConnected(connection)) {
            return {UsbResult::NoDevice, 0};
        }
        if (interrupted.exchange(false)) {
            return {UsbResult::Aborted, 0};
        }
        const Clock::TimePoint now = clock_.Now();
        if (device_.BulkInReady(now)) {
            const std::size_t sent = device_.SendBulkIn(data, length);
            changed_.notify_all();
            return {UsbResult::Ok, sent};
        }
        if (now >= deadline) {
            return {UsbResult::Timeout, 0};
        }
        const Clock::TimePoint wake = std::min(deadline, device_.ReplyReadyAt().value_or(deadline));
        ++blockedBulkIns_;
        blocked_.notify_all();
        clock_.WaitUntil(changed_, lock, wake);
        --blockedBulkIns_;
    }
}

void SimMeter::WakeWaiters() {
    const std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
}

bool SimMeter::AwaitBlockedBulkIn(std::chrono::milliseconds realTimeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return blocked_.wait_for(lock, realTimeout, [this] { return blockedBulkIns_ > 0; });
}

TransferOutcome SimMeter::ControlIn(unsigned connection, std::uint8_t requestType,
                                    std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                    std::uint8_t* data, std::uint16_t length) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!IsConnected(connection)) {
        return {UsbResult::NoDevice, 0};
    }
    const TransferOutcome outcome =
        device_.ControlIn(requestType, request, value, index, data, length);
    changed_.notify_all();
    return outcome;
}

UsbResult SimMeter::ClearHalt(unsigned connection, std::uint8_t endpoint) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!IsConnected(connection)) {
        return UsbResult::NoDevice;
    }
    device_.ClearHalt(endpoint);
    return UsbResult::Ok;
}

}  // namespace zvisa::sim
