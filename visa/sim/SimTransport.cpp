#include "sim/SimTransport.h"

#include "sim/SimMeter.h"
#include "sim/SimUsbtmcDevice.h"

namespace zvisa::sim {

SimTransport::SimTransport(std::shared_ptr<SimMeter> meter, unsigned connection)
    : meter_(std::move(meter)), connection_(connection) {}

SimTransport::~SimTransport() {
    meter_->Disconnect();
}

TransferOutcome SimTransport::BulkOut(const std::uint8_t* data, std::size_t length,
                                      std::chrono::milliseconds /*timeout*/) {
    if (interrupted_.exchange(false)) {
        return {UsbResult::Aborted, 0};
    }
    return meter_->BulkOut(connection_, data, length);  // the device always has room
}

TransferOutcome SimTransport::BulkIn(std::uint8_t* data, std::size_t length,
                                     std::chrono::milliseconds timeout) {
    return meter_->BulkIn(connection_, data, length, timeout, interrupted_);
}

void SimTransport::Interrupt() {
    interrupted_ = true;
    meter_->WakeWaiters();
}

void SimTransport::ClearInterrupt() {
    interrupted_ = false;
}

TransferOutcome SimTransport::ControlIn(std::uint8_t requestType, std::uint8_t request,
                                        std::uint16_t value, std::uint16_t index,
                                        std::uint8_t* data, std::uint16_t length,
                                        std::chrono::milliseconds /*timeout*/) {
    return meter_->ControlIn(connection_, requestType, request, value, index, data, length);
}

UsbResult SimTransport::ClearHalt(std::uint8_t endpoint) {
    return meter_->ClearHalt(connection_, endpoint);
}

std::uint8_t SimTransport::BulkInEndpoint() const {
    return SimUsbtmcDevice::kBulkInEndpoint;
}

std::uint8_t SimTransport::BulkOutEndpoint() const {
    return SimUsbtmcDevice::kBulkOutEndpoint;
}

std::uint16_t SimTransport::BulkInMaxPacket() const {
    return SimUsbtmcDevice::kMaxPacket;
}

UsbInterfaceIdentity SimTransport::Identity() const {
    return {SimUsbtmcDevice::kInterface, SimUsbtmcDevice::kProtocolUsb488, "Zorvane",
            "Simulated multimeter"};
}

Clock& SimTransport::TimeSource() {
    return meter_->TimeSource();
}

}  // namespace zvisa::sim
