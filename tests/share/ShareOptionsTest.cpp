// The server's command line and the address rules it holds: --allow blocks, the gateway name of
// a USB resource.
#include <gtest/gtest.h>

#include "share/Cidr.h"
#include "share/GatewayName.h"
#include "share/ShareOptions.h"

#include <arpa/inet.h>

struct OptionsCase {
    std::vector<std::string> args;
    const char* error;  // a part of the one-line error, or null when the line is good
};

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
    testing::Values(OptionsCase{{}, nullptr},
                    OptionsCase{{"--listen", "0.0.0.0", "--listen", "::1"}, nullptr},
                    OptionsCase{{"--allow", "10.0.0.0/8", "--idle-timeout", "30"}, nullptr},
                    OptionsCase{{"--listen", "bench.lab"}, "no numeric"},
                    OptionsCase{{"--listen"}, "needs a value"},
                    OptionsCase{{"--allow", "10.0.0.0/33"}, "address block"},
                    OptionsCase{{"--allow", "10.0.0.0/"}, "address block"},
                    OptionsCase{{"--idle-timeout", "0"}, "seconds"},
                    OptionsCase{{"--idle-timeout", "99999999999"}, "seconds"},
                    OptionsCase{{"--match", ""}, "expression"},
                    OptionsCase{{"-x"}, "unknown option"}));

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
    const char* block;
    const char* address;
    bool contains;
};

class AllowBlocks : public testing::TestWithParam<CidrCase> {};

TEST_P(AllowBlocks, Contain) {
    std::optional<Cidr> cidr = Cidr::Parse(GetParam().block);
    ASSERT_TRUE(cidr) << GetParam().block;
    EXPECT_EQ(cidr->Contains(*NetAddress::Parse(GetParam().address)), GetParam().contains)
        << GetParam().block << " " << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(Blocks, AllowBlocks,
                         testing::Values(CidrCase{"192.168.10.0/24", "192.168.10.200", true},
                                         CidrCase{"192.168.10.0/24", "192.168.11.1", false},
                                         CidrCase{"192.168.10.0/23", "192.168.11.1", true},
                                         CidrCase{"10.1.2.3", "10.1.2.3", true},
                                         CidrCase{"10.1.2.3", "10.1.2.4", false},
                                         CidrCase{"0.0.0.0/0", "203.0.113.9", true},
                                         CidrCase{"0.0.0.0/0", "::1", false},
                                         CidrCase{"2001:db8::/32", "2001:db8:ffff::1", true},
                                         CidrCase{"2001:db8::/33", "2001:db8:8000::1", false}));

TEST(AllowBlocks, ClientFromAnIpv6SocketCountsAsIpv4) {
    sockaddr_in6 mapped{};
    mapped.sin6_family = AF_INET6;
    inet_pton(AF_INET6, "::ffff:192.168.10.7", &mapped.sin6_addr);
    NetAddress client =
        NetAddress::FromSockaddr(reinterpret_cast<sockaddr*>(&mapped), sizeof mapped);
    EXPECT_TRUE(Cidr::Parse("192.168.10.0/24")->Contains(client));
}

struct GatewayCase {
    const char* resource;
    const char* name;  // null: no USB INSTR
};

class GatewayNames : public testing::TestWithParam<GatewayCase> {};

TEST_P(GatewayNames, DecimalIds) {
    std::optional<std::string> name = UsbGatewayName(GetParam().resource);
    EXPECT_EQ(name.value_or("(none)"), GetParam().name ? GetParam().name : "(none)");
}

INSTANTIATE_TEST_SUITE_P(
    Resources, GatewayNames,
    testing::Values(GatewayCase{"USB0::0x7A5E::0x0C46::SN1::INSTR", "usb0[31326::3142::SN1::0]"},
                    GatewayCase{"usb1::0x7a5e::0x0c47::AB::2::INSTR", "usb1[31326::3143::AB::2]"},
                    GatewayCase{"USB::31326::3142::X::INSTR", "usb0[31326::3142::X::0]"},
                    GatewayCase{"TCPIP0::bench::inst0::INSTR", nullptr},
                    GatewayCase{"USB0::0x7A5E::0x0C46::SN1::RAW", nullptr},
                    GatewayCase{"USB0::0x17A5E::0x0C46::SN1::INSTR", nullptr},
                    GatewayCase{"USB0::0x7A5E::0x0C46::::INSTR", nullptr}));
