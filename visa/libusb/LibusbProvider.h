#pragma once

#include <libusb.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ResourceProvider.h"
#include "libusb/UsbResourceName.h"

namespace zvisa::libusb {

// Every USBTMC interface on the USB bus, found with libusb. Without USB (no
// libusb context, as in a container) it lists nothing and opens nothing.
class LibusbProvider : public ResourceProvider {
public:
    LibusbProvider();

    std::vector<std::string> ListResources() override;
    ViStatus Open(const std::string& resource, std::unique_ptr<UsbTransport>& transport) override;

private:
    // Called for each USBTMC interface until it returns true.
    using Visitor = std::function<bool(const UsbtmcResource&, libusb_device*)>;

    void VisitUsbtmcInterfaces(const Visitor& visit);
    static UsbDeviceInfo DescribeDevice(libusb_device* device,
                                        const libusb_device_descriptor& descriptor,
                                        const libusb_config_descriptor& config);
    static std::optional<std::string> ReadSerial(libusb_device* device, std::uint8_t index);

    std::shared_ptr<libusb_context> context_;
};

}  // namespace zvisa::libusb

namespace zvisa {

std::unique_ptr<ResourceProvider> MakeLibusbProvider();

}  // namespace zvisa
