#pragma once

#include <libusb.h>

#include <memory>

namespace zvisa::libusb {

// Owners of the libusb objects the provider and transport hold, so every
// path out of a function gives them back.

struct FreeDeviceList {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
using DeviceListPtr = std::unique_ptr<libusb_device*, FreeDeviceList>;

struct FreeConfigDescriptor {
    void operator()(libusb_config_descriptor* config) const {
        libusb_free_config_descriptor(config);
    }
};
using ConfigPtr = std::unique_ptr<libusb_config_descriptor, FreeConfigDescriptor>;

struct CloseHandle {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using HandlePtr = std::unique_ptr<libusb_device_handle, CloseHandle>;

// A claimed interface: releasing it also gives the kernel driver back when
// auto-detach took it away. Does not close the handle.
struct ReleaseInterface {
    int number = 0;
    void operator()(libusb_device_handle* handle) const {
        libusb_release_interface(handle, number);
    }
};
using ClaimPtr = std::unique_ptr<libusb_device_handle, ReleaseInterface>;

struct FreeTransfer {
    void operator()(libusb_transfer* transfer) const { libusb_free_transfer(transfer); }
};
using TransferPtr = std::unique_ptr<libusb_transfer, FreeTransfer>;

}  // namespace zvisa::libusb
