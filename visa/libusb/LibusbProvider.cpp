#include "libusb/LibusbProvider.h"

#include "base/AsciiText.h"
#include "libusb/LibusbHandles.h"
#include "libusb/LibusbTransport.h"

namespace zvisa::libusb {

namespace {

// libusb's own messages would land on the user's terminal; LIBUSB_DEBUG in
// the environment still overrides this.
std::shared_ptr<libusb_context> OpenLibusb() {
    libusb_context* raw = nullptr;
    if (libusb_init(&raw) != LIBUSB_SUCCESS) {
        return nullptr;
    }
    libusb_set_option(raw, LIBUSB_OPTION_LOG_LEVEL, LIBUSB_LOG_LEVEL_NONE);
    return std::shared_ptr<libusb_context>(raw, libusb_exit);
}

bool HasUsbtmcInterface(const libusb_config_descriptor& config) {
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& usbInterface = config.interface[i];
        if (usbInterface.num_altsetting > 0) {
            const libusb_interface_descriptor& setting = usbInterface.altsetting[0];
            if (IsUsbtmcInterface({setting.bInterfaceNumber, setting.bInterfaceClass,
                                   setting.bInterfaceSubClass, setting.bInterfaceProtocol})) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

LibusbProvider::LibusbProvider() : context_(OpenLibusb()) {}

std::vector<std::string> LibusbProvider::ListResources() {
    std::vector<std::string> names;
    VisitUsbtmcInterfaces([&names](const UsbtmcResource& resource, libusb_device*) {
        names.push_back(resource.name);
        return false;
    });
    return names;
}

ViStatus LibusbProvider::Open(const std::string& resource,
                              std::unique_ptr<UsbTransport>& transport) {
    ViStatus status = VI_ERROR_RSRC_NFOUND;
    VisitUsbtmcInterfaces([&](const UsbtmcResource& candidate, libusb_device* device) {
        if (!EqualsIgnoringCase(candidate.name, resource)) {
            return false;
        }
        status = LibusbTransport::Open(context_, device, candidate.interfaceNumber, transport);
        return true;
    });
    return status;
}

void LibusbProvider::VisitUsbtmcInterfaces(const Visitor& visit) {
    if (!context_) {
        return;
    }
    libusb_device** raw = nullptr;
    const ssize_t count = libusb_get_device_list(context_.get(), &raw);
    if (count < 0) {
        return;
    }
    const DeviceListPtr list(raw);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list.get()[i];
        libusb_device_descriptor descriptor{};
        libusb_config_descriptor* rawConfig = nullptr;
        if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS ||
            libusb_get_active_config_descriptor(device, &rawConfig) != LIBUSB_SUCCESS) {
            continue;
        }
        const ConfigPtr config(rawConfig);
        // Only instruments are opened to read their serial; other devices are left alone.
        if (!HasUsbtmcInterface(*config)) {
            continue;
        }
        for (const UsbtmcResource& resource :
             UsbtmcResources(DescribeDevice(device, descriptor, *config))) {
            if (visit(resource, device)) {
                return;
            }
        }
    }
}

UsbDeviceInfo LibusbProvider::DescribeDevice(libusb_device* device,
                                             const libusb_device_descriptor& descriptor,
                                             const libusb_config_descriptor& config) {
    constexpr int kMaxPortDepth = 7;
    UsbDeviceInfo info;
    info.vendorId = descriptor.idVendor;
    info.productId = descriptor.idProduct;
    info.serial = ReadSerial(device, descriptor.iSerialNumber);
    info.bus = libusb_get_bus_number(device);
    std::uint8_t ports[kMaxPortDepth] = {};
    const int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
    info.ports.assign(ports, ports + std::max(depth, 0));
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& usbInterface = config.interface[i];
        if (usbInterface.num_altsetting > 0) {
            const libusb_interface_descriptor& setting = usbInterface.altsetting[0];
            info.interfaces.push_back({setting.bInterfaceNumber, setting.bInterfaceClass,
                                       setting.bInterfaceSubClass, setting.bInterfaceProtocol});
        }
    }
    return info;
}

// Reading a string descriptor needs the device opened, which fails without
// permission on its node; the caller then names the device by its port.
std::optional<std::string> LibusbProvider::ReadSerial(libusb_device* device, std::uint8_t index) {
    constexpr int kMaxStringLength = 256;
    if (index == 0) {
        return std::nullopt;
    }
    libusb_device_handle* raw = nullptr;
    if (libusb_open(device, &raw) != LIBUSB_SUCCESS) {
        return std::nullopt;
    }
    const HandlePtr handle(raw);
    unsigned char text[kMaxStringLength] = {};
    const int length = libusb_get_string_descriptor_ascii(raw, index, text, sizeof text);
    if (length <= 0) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

}  // namespace zvisa::libusb

namespace zvisa {

std::unique_ptr<ResourceProvider> MakeLibusbProvider() {
    return std::make_unique<libusb::LibusbProvider>();
}

}  // namespace zvisa
