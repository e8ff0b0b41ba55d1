// The default link against our VISA library's simulated meter: each call
// reaches the library with its arguments intact.
#include "instrument/InstrumentLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class InstrumentLinkSimTest : public testing::Test {
protected:
    void TearDown() override {
        if (instr != VI_NULL) {
            link.Close(instr);
        }
        if (rm != VI_NULL) {
            link.Close(rm);
        }
        unsetenv("ZVISA_SIM");
    }

    // Opens the resource manager and the first meter `simulation` offers.
    void OpenFirstMeter(const char* simulation) {
        setenv("ZVISA_SIM", simulation, 1);
        ASSERT_GE(link.OpenDefaultRM(&rm), VI_SUCCESS);
        ASSERT_GE(link.FindRsrc(rm, kMeterResourceExpression, descriptor), VI_SUCCESS);
        ASSERT_GE(link.Open(rm, descriptor, &instr), VI_SUCCESS);
    }

    std::string Query(const std::string& command, ViUInt32 maxReply) {
        ViUInt32 written = 0;
        EXPECT_GE(link.Write(instr, reinterpret_cast<const ViByte*>(command.data()),
                             static_cast<ViUInt32>(command.size()), &written),
                  VI_SUCCESS);
        EXPECT_EQ(written, command.size());
        std::string reply(maxReply, '\0');
        ViUInt32 delivered = 0;
        link.Read(instr, reinterpret_cast<ViByte*>(&reply[0]), maxReply, &delivered);
        EXPECT_LE(delivered, maxReply);
        reply.resize(delivered);
        return reply;
    }

    InstrumentLink link;
    ViSession rm = VI_NULL;
    ViSession instr = VI_NULL;
    ViChar descriptor[VI_FIND_BUFLEN] = {};
};

TEST_F(InstrumentLinkSimTest, FindsTheSimulatedMeterAndAsksItsFunction) {
    ASSERT_NO_FATAL_FAILURE(OpenFirstMeter("dcv"));
    EXPECT_STREQ(descriptor, "USB0::0x7A5E::0x0C46::SIM0001::INSTR");
    EXPECT_GE(link.SetAttribute(instr, VI_ATTR_TMO_VALUE, 7000), VI_SUCCESS);
    EXPECT_EQ(Query("FUNC?\n", 20), "\"VOLT\"\n");
}

TEST_F(InstrumentLinkSimTest, FirstListedResourceIsTheOneFound) {
    ASSERT_NO_FATAL_FAILURE(OpenFirstMeter("dci;dcv"));
    EXPECT_STREQ(descriptor, "USB0::0x7A5E::0x0C46::SIM0001::INSTR");
    EXPECT_EQ(Query("FUNC?\n", 20), "\"CURR\"\n");
}

TEST_F(InstrumentLinkSimTest, FindAllListsEveryMatchInOrder) {
    setenv("ZVISA_SIM", "dci;dcv;acv", 1);
    ASSERT_GE(link.OpenDefaultRM(&rm), VI_SUCCESS);
    std::vector<std::string> found{"stale"};
    EXPECT_GE(link.FindAll(rm, kMeterResourceExpression, found), VI_SUCCESS);
    EXPECT_EQ(found, (std::vector<std::string>{"USB0::0x7A5E::0x0C46::SIM0001::INSTR",
                                               "USB0::0x7A5E::0x0C46::SIM0002::INSTR",
                                               "USB0::0x7A5E::0x0C46::SIM0003::INSTR"}));
    EXPECT_EQ(link.FindAll(rm, "GPIB?*", found), VI_ERROR_RSRC_NFOUND);
    EXPECT_TRUE(found.empty());
}

TEST_F(InstrumentLinkSimTest, ReadStopsAtTheCountAskedFor) {
    ASSERT_NO_FATAL_FAILURE(OpenFirstMeter("dcv"));
    EXPECT_EQ(Query("*idn?\n", 5).size(), 5u);
}

TEST_F(InstrumentLinkSimTest, ClosingTwiceReportsAnError) {
    ASSERT_NO_FATAL_FAILURE(OpenFirstMeter("dcv"));
    EXPECT_GE(link.Close(instr), VI_SUCCESS);
    EXPECT_LT(link.Close(instr), VI_SUCCESS);
    instr = VI_NULL;
}

struct NamedCase {
    const char* resource;
    ViStatus status;
    const char* found;  // the descriptor on success
};

// A named link finds a listed meter in any case; a network name is handed on
// as written, whatever the find list holds, unless no VISA buffer holds it.
TEST_F(InstrumentLinkSimTest, NamedLinkFindsItsMeterOrHandsOnANetworkName) {
    setenv("ZVISA_SIM", "dci;dcv", 1);
    ASSERT_GE(link.OpenDefaultRM(&rm), VI_SUCCESS);
    const std::string longHost(VI_FIND_BUFLEN, 'h');
    const std::string tooLong = "TCPIP0::" + longHost + "::INSTR";
    for (const NamedCase& c : {
             NamedCase{"usb0::0x7a5e::0x0c46::sim0002::instr", VI_SUCCESS,
                       "USB0::0x7A5E::0x0C46::SIM0002::INSTR"},
             NamedCase{"USB0::0x7A5E::0x0C46::SIM0009::INSTR", VI_ERROR_RSRC_NFOUND, ""},
             NamedCase{"TCPIP0::bench::inst0::INSTR", VI_SUCCESS, "TCPIP0::bench::inst0::INSTR"},
             NamedCase{"tcpip::127.0.0.7::usb0[31326::3142::SN::0]::instr", VI_SUCCESS,
                       "tcpip::127.0.0.7::usb0[31326::3142::SN::0]::instr"},
             NamedCase{tooLong.c_str(), VI_ERROR_INV_RSRC_NAME, ""},
             NamedCase{"TCPIP", VI_ERROR_RSRC_NFOUND, ""},
         }) {
        InstrumentLink named(c.resource);
        ViChar found[VI_FIND_BUFLEN] = {};
        EXPECT_EQ(named.FindRsrc(rm, kMeterResourceExpression, found), c.status) << c.resource;
        EXPECT_STREQ(found, c.found) << c.resource;
    }
}

}  // namespace
