// Resource names of USBTMC interfaces from descriptor data, without libusb.
#include "libusb/UsbResourceName.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zvisa::libusb {
namespace {

constexpr UsbInterfaceInfo kTmc0{0, 0xFE, 0x03, 0x01};
constexpr UsbInterfaceInfo kPlainTmc1{1, 0xFE, 0x03, 0x00};
constexpr UsbInterfaceInfo kTmc2{2, 0xFE, 0x03, 0x01};
constexpr UsbInterfaceInfo kDfu0{0, 0xFE, 0x01, 0x01};
constexpr UsbInterfaceInfo kHid0{0, 0x03, 0x00, 0x00};

UsbDeviceInfo Meter(std::optional<std::string> serial, std::vector<UsbInterfaceInfo> interfaces,
                    std::uint16_t productId = 0x0C46) {
    UsbDeviceInfo device;
    device.vendorId = 0x7A5E;
    device.productId = productId;
    device.serial = std::move(serial);
    device.bus = 1;
    device.ports = {2, 3};
    device.interfaces = std::move(interfaces);
    return device;
}

TEST(UsbtmcResourceNames, FollowTheVisaUsbInstrGrammar) {
    struct Case {
        const char* name;
        UsbDeviceInfo device;
        std::vector<std::string> expected;
    };
    UsbDeviceInfo lowerHex = Meter("A1", {kTmc0});
    lowerHex.vendorId = 0xabcd;
    lowerHex.productId = 0x00ef;
    UsbDeviceInfo rootPort = Meter(std::nullopt, {kTmc0});
    rootPort.bus = 3;
    rootPort.ports = {4};
    const Case cases[] = {
        {"serial, interface 0", Meter("SN1", {kTmc0}), {"USB0::0x7A5E::0x0C46::SN1::INSTR"}},
        {"second product", Meter("SN1", {kTmc0}, 0x0C47), {"USB0::0x7A5E::0x0C47::SN1::INSTR"}},
        {"upper-case hex ids", lowerHex, {"USB0::0xABCD::0x00EF::A1::INSTR"}},
        {"interface 1 after DFU",
         Meter("SN1", {kDfu0, kPlainTmc1}),
         {"USB0::0x7A5E::0x0C46::SN1::1::INSTR"}},
        {"two instrument interfaces",
         Meter("SN1", {kTmc0, kTmc2}),
         {"USB0::0x7A5E::0x0C46::SN1::INSTR", "USB0::0x7A5E::0x0C46::SN1::2::INSTR"}},
        {"no serial", Meter(std::nullopt, {kTmc0}), {"USB0::0x7A5E::0x0C46::BUS1-PORT2.3::INSTR"}},
        {"empty serial", Meter("", {kTmc0}), {"USB0::0x7A5E::0x0C46::BUS1-PORT2.3::INSTR"}},
        {"serial with ::", Meter("A::B", {kTmc0}), {"USB0::0x7A5E::0x0C46::BUS1-PORT2.3::INSTR"}},
        {"serial with control byte",
         Meter("A\nB", {kTmc0}),
         {"USB0::0x7A5E::0x0C46::BUS1-PORT2.3::INSTR"}},
        {"serial with trailing blank",
         Meter("SN1 ", {kTmc0}),
         {"USB0::0x7A5E::0x0C46::BUS1-PORT2.3::INSTR"}},
        {"serial with inner blank", Meter("SN 1", {kTmc0}), {"USB0::0x7A5E::0x0C46::SN 1::INSTR"}},
        {"port on the root hub", rootPort, {"USB0::0x7A5E::0x0C46::BUS3-PORT4::INSTR"}},
        {"DFU only", Meter("SN1", {kDfu0}), {}},
        {"not an instrument", Meter("SN1", {kHid0}), {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> names;
        for (const UsbtmcResource& resource : UsbtmcResources(c.device)) {
            names.push_back(resource.name);
        }
        EXPECT_EQ(names, c.expected) << c.name;
    }
}

TEST(UsbtmcResourceNames, CarryTheInterfaceToOpen) {
    const std::vector<UsbtmcResource> resources =
        UsbtmcResources(Meter("SN1", {kHid0, kPlainTmc1, kTmc2}));
    ASSERT_EQ(resources.size(), 2u);
    EXPECT_EQ(resources[0].interfaceNumber, 1);
    EXPECT_EQ(resources[1].interfaceNumber, 2);
}

}  // namespace
}  // namespace zvisa::libusb
