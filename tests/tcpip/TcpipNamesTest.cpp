// TCPIP INSTR names, their parsing through visa.h, and the hosts viFindRsrc lists: no network.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/ResourceName.h"
#include "tcpip/TcpipHostList.h"
#include "visa.h"

namespace {

using zvisa::ResourceName;

struct NameCase {
    const char* text;
    const char* expanded;  // null: not a TCPIP INSTR name
};

TEST(TcpipNamesTest, ParsesHostsDevicesAndDefaults) {
    const NameCase kCases[] = {
        {"TCPIP0::127.0.1.20::inst0::INSTR", "TCPIP0::127.0.1.20::inst0::INSTR"},
        {"TCPIP::bench::INSTR", "TCPIP0::bench::inst0::INSTR"},
        {"tcpip3::bench-2.lab", "TCPIP3::bench-2.lab::inst0::INSTR"},
        {"TCPIP0::bench::usb0[31326::3142::SN1::0]::INSTR",
         "TCPIP0::bench::usb0[31326::3142::SN1::0]::INSTR"},
        {"TCPIP0::bench::gpib0,5", "TCPIP0::bench::gpib0,5::INSTR"},
        {"TCPIP0::bench::inst0::extra::INSTR", nullptr},
        {"TCPIP0::bench::usb0[1::2::INSTR", nullptr},  // bracket left open
        {"TCPIP0::bench::usb0]1[::INSTR", nullptr},    // closed before opened
        {"TCPIP0::bench::usb0[[1]]::INSTR", nullptr},  // nested
        {"TCPIP0::be_nch::INSTR", nullptr},            // no host name
        {"TCPIP0::bench::inst0:x::INSTR", nullptr},    // a colon outside brackets
        {"TCPIP0::::INSTR", nullptr},
        {"TCPIP0::INSTR", nullptr},
    };
    for (const NameCase& c : kCases) {
        SCOPED_TRACE(c.text);
        const auto name = ResourceName::Parse(c.text);
        const bool tcpip = name && name->IsTcpipInstr();
        ASSERT_EQ(tcpip, c.expanded != nullptr);
        if (tcpip) {
            EXPECT_EQ(name->Expanded(), c.expanded);
        }
    }
}

TEST(TcpipNamesTest, SameResourceIgnoresHostCaseAndDefaultDeviceButNotDeviceCase) {
    const auto name = ResourceName::Parse("TCPIP0::Bench::inst0::INSTR");
    ASSERT_TRUE(name);
    EXPECT_TRUE(ResourceName::Parse("tcpip::BENCH")->SameResource(*name));
    EXPECT_FALSE(ResourceName::Parse("TCPIP0::bench::INST0::INSTR")->SameResource(*name));
    EXPECT_FALSE(ResourceName::Parse("TCPIP1::bench::inst0::INSTR")->SameResource(*name));
}

TEST(TcpipNamesTest, ParseRsrcExGivesTheInterfaceAndTheFullName) {
    ViSession rm = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViUInt16 type = 0;
    ViUInt16 board = 0;
    ViChar rsrcClass[VI_FIND_BUFLEN] = {};
    ViChar expanded[VI_FIND_BUFLEN] = {};
    ViChar alias[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viParseRsrcEx(rm, "tcpip2::127.0.0.7", &type, &board, rsrcClass, expanded, alias),
              VI_SUCCESS);
    EXPECT_EQ(type, VI_INTF_TCPIP);
    EXPECT_EQ(board, 2);
    EXPECT_STREQ(rsrcClass, "INSTR");
    EXPECT_STREQ(expanded, "TCPIP2::127.0.0.7::inst0::INSTR");
    EXPECT_EQ(viParseRsrc(rm, "TCPIP0::bad host::INSTR", &type, &board), VI_ERROR_INV_RSRC_NAME);
    viClose(rm);
}

TEST(TcpipNamesTest, ConfiguredHostsFromTheEnvironmentThenTheFile) {
    const std::string file =
        "# lab meters\n"
        "bench2   # by name\n"
        "TCPIP1::127.0.0.9::usb0[31326::3142::SN1::0]::INSTR\n"
        "\n"
        "TCPIP0::bench::inst0::INSTR\n"  // already listed
        "not a host\n"
        "USB0::0x7A5E::0x0C46::SN1::INSTR\n";
    const std::vector<std::string> expected = {
        "TCPIP0::bench::inst0::INSTR",
        "TCPIP0::127.0.0.5::inst1::INSTR",
        "TCPIP0::bench2::inst0::INSTR",
        "TCPIP1::127.0.0.9::usb0[31326::3142::SN1::0]::INSTR",
    };
    EXPECT_EQ(zvisa::tcpip::TcpipResourcesFrom("bench, TCPIP::127.0.0.5::inst1;", file), expected);
}

// viFindRsrc lists what is configured without asking the network: these hosts do not exist.
TEST(TcpipNamesTest, FindListsConfiguredHosts) {
    const std::filesystem::path config =
        std::filesystem::temp_directory_path() / ("zvisa-config-" + std::to_string(getpid()));
    std::filesystem::create_directories(config / "zorvane");
    std::ofstream(config / "zorvane" / "hosts") << "filed.invalid\n";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("ZVISA_TCPIP_HOSTS", "named.invalid", 1);
    ViSession rm = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar first[VI_FIND_BUFLEN] = {};
    ViChar second[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viFindRsrc(rm, "TCPIP?*INSTR", &list, &count, first), VI_SUCCESS);
    EXPECT_EQ(count, 2u);
    EXPECT_STREQ(first, "TCPIP0::named.invalid::inst0::INSTR");
    EXPECT_EQ(viFindNext(list, second), VI_SUCCESS);
    EXPECT_STREQ(second, "TCPIP0::filed.invalid::inst0::INSTR");
    EXPECT_EQ(viFindRsrc(rm, "USB?*INSTR", VI_NULL, VI_NULL, first), VI_ERROR_RSRC_NFOUND);
    viClose(rm);
    unsetenv("ZVISA_TCPIP_HOSTS");
    unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(config);
}

}  // namespace
