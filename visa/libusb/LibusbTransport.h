#pragma once

#include <libusb.h>

#include <memory>
#include <mutex>

#include "base/UsbTransport.h"
#include "libusb/LibusbHandles.h"
#include "visa.h"

namespace zvisa::libusb {

// The bulk and control pipes of one USBTMC interface of a real device. The
// kernel's usbtmc driver is detached while the interface is claimed and
// given back when the transport is destroyed. Bulk and interrupt transfers
// run asynchronously underneath, so Interrupt() can cancel the one in flight.
class LibusbTransport : public UsbTransport {
public:
    // VI_SUCCESS and `transport` set, or VI_ERROR_RSRC_NFOUND (gone, or no bulk
    // endpoints), VI_ERROR_RSRC_BUSY (claimed elsewhere), VI_ERROR_NPERMISSION
    // (device node not writable).
    static ViStatus Open(std::shared_ptr<libusb_context> context, libusb_device* device,
                         std::uint8_t interfaceNumber, std::unique_ptr<UsbTransport>& transport);

    TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                            std::chrono::milliseconds timeout) override;
    TransferOutcome BulkIn(std::uint8_t* data, std::size_t length,
                           std::chrono::milliseconds timeout) override;
    TransferOutcome ControlIn(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                              std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                              std::chrono::milliseconds timeout) override;
    UsbResult ClearHalt(std::uint8_t endpoint) override;
    bool HasInterruptIn() const override { return endpoints_.interruptIn != 0; }
    TransferOutcome InterruptIn(std::uint8_t* data, std::size_t length,
                                std::chrono::milliseconds timeout) override;
    UsbInterfaceIdentity Identity() const override { return identity_; }
    std::uint16_t InterruptInMaxPacket() const override { return endpoints_.interruptInMaxPacket; }
    void Interrupt() override;
    void ClearInterrupt() override;

    std::uint8_t BulkInEndpoint() const override { return endpoints_.bulkIn; }
    std::uint8_t BulkOutEndpoint() const override { return endpoints_.bulkOut; }
    std::uint16_t BulkInMaxPacket() const override { return endpoints_.bulkInMaxPacket; }
    Clock& TimeSource() override { return Clock::Steady(); }

private:
    struct Endpoints {
        std::uint8_t bulkIn = 0;
        std::uint8_t bulkOut = 0;
        std::uint16_t bulkInMaxPacket = 0;
        std::uint8_t interruptIn = 0;  // 0: none
        std::uint16_t interruptInMaxPacket = 0;
    };

    LibusbTransport(std::shared_ptr<libusb_context> context, HandlePtr handle, ClaimPtr claim,
                    const Endpoints& endpoints, UsbInterfaceIdentity identity);
    static bool FindEndpoints(libusb_device* device, std::uint8_t interfaceNumber,
                              Endpoints& endpoints, std::uint8_t& protocol);
    static void ReadDeviceStrings(libusb_device* device, libusb_device_handle* handle,
                                  UsbInterfaceIdentity& identity);
    TransferOutcome Bulk(std::uint8_t endpoint, std::uint8_t* data, std::size_t length,
                         std::chrono::milliseconds timeout);
    // Submits the filled `transfer` and handles events until it completes.
    TransferOutcome Run(libusb_transfer* transfer);

    // Destroyed bottom up: the interface is released before the handle is
    // closed, and the context outlives both.
    std::shared_ptr<libusb_context> context_;
    HandlePtr handle_;
    ClaimPtr claim_;
    Endpoints endpoints_;
    UsbInterfaceIdentity identity_;
    std::mutex inFlightMutex_;
    libusb_transfer* inFlight_ = nullptr;  // while Run waits for it
    bool interrupted_ = false;             // for the next transfer when none is in flight
};

}  // namespace zvisa::libusb
