// The server's command line and the address rules it holds: --allow blocks, the gateway name of
// a USB resource.
#include <gtest/gtest.h>

#include "share/Cidr.h"
#include "share/GatewayName.h"
#include "share/ShareOptions.h"

#include <arpa/inet.h>

struct OptionsCase {
    const char* name;
    std::vector<std::string> args;
    const char* error;  // a part of the one-line error, or null when the line is good
};

void PrintTo(const OptionsCase& c, std::ostream* os) {
    *os << c.name;
}

class ShareCommandLine : public testing::TestWithParam<OptionsCase> {};

TEST_P(ShareCommandLine, AcceptsOrSaysWhyInOneLine) {
    ParsedShareOptions parsed = ParseShareOptions(GetParam().args);
    if (GetParam().error == nullptr) {
        EXPECT_TRUE(parsed.options) << parsed.error;
        return;
    }
    ASSERT_FALSE(parsed.options);
    EXPECT_NE(parsed.error.find(GetParam().error), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ShareCommandLine,
    testing::Values(
        OptionsCase{"NoOptions", {}, nullptr},
        OptionsCase{"TwoListenAddresses", {"--listen", "0.0.0.0", "--listen", "::1"}, nullptr},
        OptionsCase{
            "AllowAndIdleTimeout", {"--allow", "127.0.0.0/8", "--idle-timeout", "30"}, nullptr},
        OptionsCase{"ListenOnAHostName", {"--listen", "bench.lab"}, "no numeric"},
        OptionsCase{"ListenWithoutValue", {"--listen"}, "needs a value"},
        OptionsCase{"AllowPrefixTooLong", {"--allow", "127.0.0.0/33"}, "address block"},
        OptionsCase{"AllowPrefixMissing", {"--allow", "127.0.0.0/"}, "address block"},
        OptionsCase{"IdleTimeoutZero", {"--idle-timeout", "0"}, "seconds"},
        OptionsCase{"IdleTimeoutTooLarge", {"--idle-timeout", "99999999999"}, "seconds"},
        OptionsCase{"EmptyMatch", {"--match", ""}, "expression"},
        OptionsCase{"UnknownOption", {"-x"}, "unknown option"}),
    [](const testing::TestParamInfo<OptionsCase>& info) { return std::string(info.param.name); });

TEST(ShareCommandLine, DefaultsToLoopbackAndTheMeters) {
    ParsedShareOptions parsed = ParseShareOptions({});
    ASSERT_TRUE(parsed.options);
    ASSERT_EQ(parsed.options->config.listen.size(), 1u);
    EXPECT_EQ(parsed.options->config.listen[0].Host(), "127.0.0.1");
    EXPECT_EQ(parsed.options->config.expression, kMeterResourceExpression);
    EXPECT_EQ(ParseShareOptions({"--listen", "::1", "--help"}).options->action,
              ShareOptions::Action::kHelp);
}

struct CidrCase {
    const char* name;
    const char* block;
    const char* address;
    bool contains;
};

void PrintTo(const CidrCase& c, std::ostream* os) {
    *os << c.name;
}

class AllowBlocks : public testing::TestWithParam<CidrCase> {};

TEST_P(AllowBlocks, Contain) {
    std::optional<Cidr> cidr = Cidr::Parse(GetParam().block);
    ASSERT_TRUE(cidr) << GetParam().block;
    EXPECT_EQ(cidr->Contains(*NetAddress::Parse(GetParam().address)), GetParam().contains)
        << GetParam().block << " " << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, AllowBlocks,
    testing::Values(CidrCase{"Ipv4BlockHolds", "127.0.10.0/24", "127.0.10.200", true},
                    CidrCase{"Ipv4OutsideBlock", "127.0.10.0/24", "127.0.11.1", false},
                    CidrCase{"Ipv4WiderBlockHolds", "127.0.10.0/23", "127.0.11.1", true},
                    CidrCase{"SingleAddressItself", "127.1.2.3", "127.1.2.3", true},
                    CidrCase{"SingleAddressOther", "127.1.2.3", "127.1.2.4", false},
                    CidrCase{"AllIpv4HoldsIpv4", "0.0.0.0/0", "127.0.0.9", true},
                    CidrCase{"AllIpv4LeavesIpv6", "0.0.0.0/0", "::1", false},
                    CidrCase{"Ipv6BlockHolds", "2001:db8::/32", "2001:db8:ffff::1", true},
                    CidrCase{"Ipv6OutsideBlock", "2001:db8::/33", "2001:db8:8000::1", false}),
    [](const testing::TestParamInfo<CidrCase>& info) { return std::string(info.param.name); });

TEST(AllowBlocks, ClientFromAnIpv6SocketCountsAsIpv4) {
    sockaddr_in6 mapped{};
    mapped.sin6_family = AF_INET6;
    inet_pton(AF_INET6, "::ffff:127.0.10.7", &mapped.sin6_addr);
    NetAddress client =
        NetAddress::FromSockaddr(reinterpret_cast<sockaddr*>(&mapped), sizeof mapped);
    EXPECT_TRUE(Cidr::Parse("127.0.10.0/24")->Contains(client));
}

struct GatewayCase {
    const char* name;
    const char* resource;
    const char* gateway;  // null: no USB INSTR
};

void PrintTo(const GatewayCase& c, std::ostream* os) {
    *os << c.name;
}

class GatewayNames : public testing::TestWithParam<GatewayCase> {};

TEST_P(GatewayNames, DecimalIds) {
    std::optional<std::string> name = UsbGatewayName(GetParam().resource);
    EXPECT_EQ(name.value_or("(none)"), GetParam().gateway ? GetParam().gateway : "(none)");
}

INSTANTIATE_TEST_SUITE_P(
    Resources, GatewayNames,
    testing::Values(
        GatewayCase{"UsbInstr", "USB0::0x7A5E::0x0C46::SN1::INSTR", "usb0[31326::3142::SN1::0]"},
        GatewayCase{"LowerCaseHexAndInterface", "usb1::0x7a5e::0x0c47::AB::2::INSTR",
                    "usb1[31326::3143::AB::2]"},
        GatewayCase{"DecimalIdsNoBoard", "USB::31326::3142::X::INSTR", "usb0[31326::3142::X::0]"},
        GatewayCase{"TcpipResource", "TCPIP0::bench::inst0::INSTR", nullptr},
        GatewayCase{"UsbRaw", "USB0::0x7A5E::0x0C46::SN1::RAW", nullptr},
        GatewayCase{"VendorIdTooLarge", "USB0::0x17A5E::0x0C46::SN1::INSTR", nullptr},
        GatewayCase{"EmptySerial", "USB0::0x7A5E::0x0C46::::INSTR", nullptr}),
    [](const testing::TestParamInfo<GatewayCase>& info) { return std::string(info.param.name); });
