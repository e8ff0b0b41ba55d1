#pragma once

#include <atomic>
#include <memory>

#include "base/UsbTransport.h"

namespace zvisa::sim {

class SimMeter;

// One session's handle on a simulated meter, as LibusbTransport is on a
// real one. Keeps the meter alive while the session lasts.
class SimTransport : public UsbTransport {
public:
    SimTransport(std::shared_ptr<SimMeter> meter, unsigned connection);
    ~SimTransport() override;
    SimTransport(const SimTransport&) = delete;
    SimTransport& operator=(const SimTransport&) = delete;

    TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                            std::chrono::milliseconds timeout) override;
    TransferOutcome BulkIn(std::uint8_t* data, std::size_t length,
                           std::chrono::milliseconds timeout) override;
    TransferOutcome ControlIn(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                              std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                              std::chrono::milliseconds timeout) override;
    UsbResult ClearHalt(std::uint8_t endpoint) override;
    void Interrupt() override;
    void ClearInterrupt() override;

    std::uint8_t BulkInEndpoint() const override;
    std::uint8_t BulkOutEndpoint() const override;
    std::uint16_t BulkInMaxPacket() const override;
    Clock& TimeSource() override;
    UsbInterfaceIdentity Identity() const override;

private:
    std::shared_ptr<SimMeter> meter_;
    unsigned connection_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace zvisa::sim
