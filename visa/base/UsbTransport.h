#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Clock.h"

namespace zvisa {

// Aborted: Interrupt() ended the call.
enum class UsbResult { Ok, Timeout, Stall, NoDevice, Error, Aborted };

// A transport timeout that never expires.
constexpr std::chrono::milliseconds kWaitForever = std::chrono::milliseconds::max();

struct TransferOutcome {
    UsbResult result = UsbResult::Ok;
    std::size_t transferred = 0;  // bytes moved, also when result is not Ok
};

// What the descriptors say about the interface and its device.
struct UsbInterfaceIdentity {
    std::uint8_t number = 0;
    std::uint8_t protocol = 0;  // bInterfaceProtocol: 0 USBTMC, 1 USB488
    std::string manufacturer;   // string descriptors, empty when unreadable
    std::string product;
};

// The pipes of one claimed USBTMC interface, with libusb's semantics: a bulk-IN
// call completes when `length` bytes have arrived or the device ends its
// transfer with a short or zero-length packet. Timeouts are always > 0 ms;
// kWaitForever waits until the device answers or the call is interrupted.
// The libusb transport and the simulated meter both implement this, so the
// USBTMC exchange above is the same code for real and simulated meters.
class UsbTransport {
public:
    virtual ~UsbTransport() = default;

    virtual TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                                    std::chrono::milliseconds timeout) = 0;
    virtual TransferOutcome BulkIn(std::uint8_t* data, std::size_t length,
                                   std::chrono::milliseconds timeout) = 0;
    // A device-to-host class request (bmRequestType has bit 7 set).
    virtual TransferOutcome ControlIn(std::uint8_t requestType, std::uint8_t request,
                                      std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                                      std::uint16_t length, std::chrono::milliseconds timeout) = 0;
    virtual UsbResult ClearHalt(std::uint8_t endpoint) = 0;
    // The interface's Interrupt-IN endpoint, where it has one.
    virtual bool HasInterruptIn() const { return false; }
    virtual std::uint16_t InterruptInMaxPacket() const { return 0; }
    virtual TransferOutcome InterruptIn(std::uint8_t* /*data*/, std::size_t /*length*/,
                                        std::chrono::milliseconds /*timeout*/) {
        return {UsbResult::Error, 0};
    }
    virtual UsbInterfaceIdentity Identity() const { return {}; }

    // From any thread: ends the bulk or interrupt call in progress with
    // Aborted, or the next one when none is. Control requests are short and
    // run on, so the USBTMC abort that follows can use them. A transport
    // whose calls never block may ignore it.
    virtual void Interrupt() {}
    // Forgets an Interrupt() that found no call to end.
    virtual void ClearInterrupt() {}

    virtual std::uint8_t BulkInEndpoint() const = 0;   // e.g. 0x81
    virtual std::uint8_t BulkOutEndpoint() const = 0;  // e.g. 0x02
    virtual std::uint16_t BulkInMaxPacket() const = 0;
    // The time the device and these timeouts run on; callers measure their
    // own deadlines on it too.
    virtual Clock& TimeSource() = 0;
};

}  // namespace zvisa
