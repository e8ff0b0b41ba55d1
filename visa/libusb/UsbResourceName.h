#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvisa::libusb {

// What enumeration needs from a device's descriptors, read by LibusbProvider
// and kept free of libusb so the naming rules can be tested on plain data.
struct UsbInterfaceInfo {
    std::uint8_t number = 0;
    std::uint8_t interfaceClass = 0;
    std::uint8_t subClass = 0;
    std::uint8_t protocol = 0;
};

struct UsbDeviceInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::string> serial;  // empty when the device has none or it cannot be read
    std::uint8_t bus = 0;
    std::vector<std::uint8_t> ports;  // port numbers from the root hub down
    std::vector<UsbInterfaceInfo> interfaces;
};

struct UsbtmcResource {
    std::string name;  // USB0::0x<VID>::0x<PID>::<serial>[::<interface>]::INSTR
    std::uint8_t interfaceNumber = 0;
};

// Class 0xFE, subclass 0x03, USBTMC or USB488. DFU (0xFE/0x01) and IrDA
// (0xFE/0x02) share the class and are not instruments.
bool IsUsbtmcInterface(const UsbInterfaceInfo& usbInterface);

// One resource per USBTMC interface of the device, in interface order.
std::vector<UsbtmcResource> UsbtmcResources(const UsbDeviceInfo& device);

}  // namespace zvisa::libusb
