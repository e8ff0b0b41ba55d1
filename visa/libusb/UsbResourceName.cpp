#include "libusb/UsbResourceName.h"

#include <algorithm>
#include <cstdio>

namespace zvisa::libusb {

namespace {

constexpr std::uint8_t kApplicationSpecificClass = 0xFE;
constexpr std::uint8_t kUsbtmcSubClass = 0x03;

// USB string descriptors of a serial hold printable ASCII without leading or
// trailing blanks; a ':' would break the resource string apart.
bool IsUsableSerial(const std::string& serial) {
    const auto printable = [](char c) { return c >= 0x20 && c <= 0x7E && c != ':'; };
    return !serial.empty() && serial.front() != ' ' && serial.back() != ' ' &&
           std::all_of(serial.begin(), serial.end(), printable);
}

// Without a usable serial (none in the descriptor, or the device node is not
// readable, as before the udev rule is installed) the name comes from where
// the meter is plugged in: "BUS1-PORT2.3" stays the same as long as it stays
// in that port, like Linux's own "1-2.3" device path.
std::string PortPathName(const UsbDeviceInfo& device) {
    std::string name = "BUS" + std::to_string(device.bus) + "-PORT";
    for (std::size_t i = 0; i < device.ports.size(); ++i) {
        name += (i == 0 ? "" : ".") + std::to_string(device.ports[i]);
    }
    return name;
}

std::string ResourceName(const UsbDeviceInfo& device, const std::string& serial,
                         std::uint8_t interfaceNumber) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "USB0::0x%04X::0x%04X::", device.vendorId, device.productId);
    std::string name = ids + serial;
    if (interfaceNumber != 0) {
        name += "::" + std::to_string(interfaceNumber);
    }
    return name + "::INSTR";
}

}  // namespace

bool IsUsbtmcInterface(const UsbInterfaceInfo& usbInterface) {
    return usbInterface.interfaceClass == kApplicationSpecificClass &&
           usbInterface.subClass == kUsbtmcSubClass;
}

std::vector<UsbtmcResource> UsbtmcResources(const UsbDeviceInfo& device) {
    const std::string serial =
        device.serial && IsUsableSerial(*device.serial) ? *device.serial : PortPathName(device);
    std::vector<UsbtmcResource> resources;
    for (const UsbInterfaceInfo& usbInterface : device.interfaces) {
        if (IsUsbtmcInterface(usbInterface)) {
            resources.push_back(
                {ResourceName(device, serial, usbInterface.number), usbInterface.number});
        }
    }
    return resources;
}

}  // namespace zvisa::libusb
