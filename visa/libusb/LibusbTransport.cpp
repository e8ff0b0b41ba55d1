#include "libusb/LibusbTransport.h"

#include <algorithm>
#include <climits>
#include <string>

#include "libusb/LibusbErrors.h"

namespace zvisa::libusb {

namespace {

// libusb takes int lengths; a power of two keeps a capped read whole packets.
constexpr std::size_t kLongestTransfer = std::size_t{1} << 30;
constexpr std::uint16_t kMaxPacketSizeMask = 0x07FF;

// libusb treats 0 as "wait forever".
unsigned int LibusbTimeout(std::chrono::milliseconds timeout) {
    if (timeout == kWaitForever) {
        return 0;
    }
    return static_cast<unsigned int>(std::clamp<long long>(timeout.count(), 1, UINT_MAX));
}

void LIBUSB_CALL MarkCompleted(libusb_transfer* transfer) {
    *static_cast<int*>(transfer->user_data) = 1;
}

}  // namespace

ViStatus LibusbTransport::Open(std::shared_ptr<libusb_context> context, libusb_device* device,
                               std::uint8_t interfaceNumber,
                               std::unique_ptr<UsbTransport>& transport) {
    Endpoints endpoints;
    UsbInterfaceIdentity identity;
    identity.number = interfaceNumber;
    if (!FindEndpoints(device, interfaceNumber, endpoints, identity.protocol)) {
        return VI_ERROR_RSRC_NFOUND;
    }
    libusb_device_handle* raw = nullptr;
    const int opened = libusb_open(device, &raw);
    if (opened != LIBUSB_SUCCESS) {
        return OpenFailureStatus(opened);
    }
    HandlePtr handle(raw);
    // Not supported off Linux, where there is no kernel driver to move aside.
    libusb_set_auto_detach_kernel_driver(raw, 1);
    const int claimed = libusb_claim_interface(raw, interfaceNumber);
    if (claimed != LIBUSB_SUCCESS) {
        return OpenFailureStatus(claimed);
    }
    ClaimPtr claim(raw, ReleaseInterface{interfaceNumber});
    ReadDeviceStrings(device, raw, identity);
    transport.reset(new LibusbTransport(std::move(context), std::move(handle), std::move(claim),
                                        endpoints, std::move(identity)));
    return VI_SUCCESS;
}

LibusbTransport::LibusbTransport(std::shared_ptr<libusb_context> context, HandlePtr handle,
                                 ClaimPtr claim, const Endpoints& endpoints,
                                 UsbInterfaceIdentity identity)
    : context_(std::move(context)),
      handle_(std::move(handle)),
      claim_(std::move(claim)),
      endpoints_(endpoints),
      identity_(std::move(identity)) {}

// Manufacturer and product names; left empty where the device has none.
void LibusbTransport::ReadDeviceStrings(libusb_device* device, libusb_device_handle* handle,
                                        UsbInterfaceIdentity& identity) {
    constexpr int kMaxStringLength = 256;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
        return;
    }
    const auto read = [handle](std::uint8_t index) {
        unsigned char text[kMaxStringLength] = {};
        const int length =
            index == 0 ? 0 : libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
        return std::string(reinterpret_cast<const char*>(text),
                           static_cast<std::size_t>(std::max(length, 0)));
    };
    identity.manufacturer = read(descriptor.iManufacturer);
    identity.product = read(descriptor.iProduct);
}

// The first alternate setting of the interface in the active configuration.
bool LibusbTransport::FindEndpoints(libusb_device* device, std::uint8_t interfaceNumber,
                                    Endpoints& endpoints, std::uint8_t& protocol) {
    libusb_config_descriptor* raw = nullptr;
    if (libusb_get_active_config_descriptor(device, &raw) != LIBUSB_SUCCESS) {
        return false;
    }
    const ConfigPtr config(raw);
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& usbInterface = config->interface[i];
        if (usbInterface.num_altsetting < 1 ||
            usbInterface.altsetting[0].bInterfaceNumber != interfaceNumber) {
            continue;
        }
        const libusb_interface_descriptor& setting = usbInterface.altsetting[0];
        protocol = setting.bInterfaceProtocol;
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            const int type = endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
            const bool in =
                (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
            if (type == LIBUSB_TRANSFER_TYPE_INTERRUPT && in) {
                endpoints.interruptIn = endpoint.bEndpointAddress;
                endpoints.interruptInMaxPacket = endpoint.wMaxPacketSize & kMaxPacketSizeMask;
                continue;
            }
            if (type != LIBUSB_TRANSFER_TYPE_BULK) {
                continue;
            }
            if (in) {
                endpoints.bulkIn = endpoint.bEndpointAddress;
                endpoints.bulkInMaxPacket = endpoint.wMaxPacketSize & kMaxPacketSizeMask;
            } else {
                endpoints.bulkOut = endpoint.bEndpointAddress;
            }
        }
    }
    return endpoints.bulkIn != 0 && endpoints.bulkOut != 0 && endpoints.bulkInMaxPacket != 0;
}

TransferOutcome LibusbTransport::BulkOut(const std::uint8_t* data, std::size_t length,
                                         std::chrono::milliseconds timeout) {
    // libusb only reads from an OUT buffer.
    return Bulk(endpoints_.bulkOut, const_cast<std::uint8_t*>(data), length, timeout);
}

TransferOutcome LibusbTransport::BulkIn(std::uint8_t* data, std::size_t length,
                                        std::chrono::milliseconds timeout) {
    return Bulk(endpoints_.bulkIn, data, length, timeout);
}

TransferOutcome LibusbTransport::InterruptIn(std::uint8_t* data, std::size_t length,
                                             std::chrono::milliseconds timeout) {
    const TransferPtr transfer(libusb_alloc_transfer(0));
    if (!transfer) {
        return {UsbResult::Error, 0};
    }
    int completed = 0;
    libusb_fill_interrupt_transfer(transfer.get(), handle_.get(), endpoints_.interruptIn, data,
                                   static_cast<int>(std::min(length, kLongestTransfer)),
                                   MarkCompleted, &completed, LibusbTimeout(timeout));
    return Run(transfer.get());
}

TransferOutcome LibusbTransport::Bulk(std::uint8_t endpoint, std::uint8_t* data, std::size_t length,
                                      std::chrono::milliseconds timeout) {
    const TransferPtr transfer(libusb_alloc_transfer(0));
    if (!transfer) {
        return {UsbResult::Error, 0};
    }
    int completed = 0;
    libusb_fill_bulk_transfer(transfer.get(), handle_.get(), endpoint, data,
                              static_cast<int>(std::min(length, kLongestTransfer)), MarkCompleted,
                              &completed, LibusbTimeout(timeout));
    return Run(transfer.get());
}

// As libusb's own synchronous calls do it, with the transfer where
// Interrupt() can cancel it. A cancelled transfer still completes, with the
// bytes that had moved.
TransferOutcome LibusbTransport::Run(libusb_transfer* transfer) {
    {
        const std::lock_guard<std::mutex> lock(inFlightMutex_);
        if (interrupted_) {
            interrupted_ = false;
            return {UsbResult::Aborted, 0};
        }
        const int submitted = libusb_submit_transfer(transfer);
        if (submitted != LIBUSB_SUCCESS) {
            return {TransferResult(submitted), 0};
        }
        inFlight_ = transfer;
    }
    int* completed = static_cast<int*>(transfer->user_data);
    while (*completed == 0) {
        const int handled = libusb_handle_events_completed(context_.get(), completed);
        if (handled < 0 && handled != LIBUSB_ERROR_INTERRUPTED) {
            libusb_cancel_transfer(transfer);
        }
    }
    const std::lock_guard<std::mutex> lock(inFlightMutex_);
    inFlight_ = nullptr;
    UsbResult result = TransferStatusResult(transfer->status);
    if (result == UsbResult::Aborted) {
        if (!interrupted_) {
            result = UsbResult::Error;  // cancelled because event handling failed
        }
        interrupted_ = false;
    }
    return {result, static_cast<std::size_t>(std::max(transfer->actual_length, 0))};
}

void LibusbTransport::Interrupt() {
    const std::lock_guard<std::mutex> lock(inFlightMutex_);
    interrupted_ = true;
    if (inFlight_ != nullptr) {
        libusb_cancel_transfer(inFlight_);
    }
}

void LibusbTransport::ClearInterrupt() {
    const std::lock_guard<std::mutex> lock(inFlightMutex_);
    interrupted_ = false;
}

TransferOutcome LibusbTransport::ControlIn(std::uint8_t requestType, std::uint8_t request,
                                           std::uint16_t value, std::uint16_t index,
                                           std::uint8_t* data, std::uint16_t length,
                                           std::chrono::milliseconds timeout) {
    const int result = libusb_control_transfer(handle_.get(), requestType, request, value, index,
                                               data, length, LibusbTimeout(timeout));
    if (result < 0) {
        return {TransferResult(result), 0};
    }
    return {UsbResult::Ok, static_cast<std::size_t>(result)};
}

UsbResult LibusbTransport::ClearHalt(std::uint8_t endpoint) {
    return TransferResult(libusb_clear_halt(handle_.get(), endpoint));
}

}  // namespace zvisa::libusb
