#include "sim/SimConfigParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zvisa::sim::SimConfigParser;
using zvisa::sim::SimProfile;

TEST(SimConfigParserTest, ShortFormGivesOneMeterAtSim0001) {
    const SimConfigParser::Result result = SimConfigParser::Parse("dcv");
    ASSERT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.meters.size(), 1u);
    EXPECT_EQ(result.meters[0].resource, "USB0::0x7A5E::0x0C46::SIM0001::INSTR");
    EXPECT_EQ(result.meters[0].serial, "SIM0001");
    EXPECT_EQ(result.meters[0].profile, SimProfile::kDcVolts);
    EXPECT_FALSE(result.meters[0].instant);
    EXPECT_FALSE(result.meters[0].truncateAfter.has_value());
    EXPECT_FALSE(result.meters[0].virtualTime);
}

TEST(SimConfigParserTest, ResourcesComeInTheOrderGiven) {
    const SimConfigParser::Result result = SimConfigParser::Parse(
        "USB0::0x7A5E::0x0C47::A1::INSTR=dci;USB1::0x7A5E::0x0C45::B2::INSTR=mute");
    ASSERT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.meters.size(), 2u);
    EXPECT_EQ(result.meters[0].resource, "USB0::0x7A5E::0x0C47::A1::INSTR");
    EXPECT_EQ(result.meters[0].serial, "A1");
    EXPECT_EQ(result.meters[0].profile, SimProfile::kDcCurrent);
    EXPECT_EQ(result.meters[1].resource, "USB1::0x7A5E::0x0C45::B2::INSTR");
    EXPECT_EQ(result.meters[1].profile, SimProfile::kMute);
}

TEST(SimConfigParserTest, ReadsOptionsAndToleratesSpaces) {
    const SimConfigParser::Result result =
        SimConfigParser::Parse(" acv , instant , truncate=1000 , Virtual-Time ");
    ASSERT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.meters.size(), 1u);
    EXPECT_EQ(result.meters[0].profile, SimProfile::kAcVolts);
    EXPECT_TRUE(result.meters[0].instant);
    EXPECT_EQ(result.meters[0].truncateAfter, 1000u);
    EXPECT_TRUE(result.meters[0].virtualTime);
}

TEST(SimConfigParserTest, EmptyTextOffersNothingWithoutComplaint) {
    const SimConfigParser::Result result = SimConfigParser::Parse("  ");
    EXPECT_TRUE(result.error.empty());
    EXPECT_TRUE(result.meters.empty());
}

TEST(SimConfigParserTest, MalformedTextOffersNoMeterAndSaysWhere) {
    struct Case {
        const char* text;
        const char* where;  // part of the message
    };
    const Case kMalformed[] = {
        {"dcx", "entry 1 has unknown profile \"dcx\""},
        {"dcv,fast", "unknown option \"fast\""},
        {"dcv,truncate=", "truncate="},
        {"dcv,truncate=-5", "truncate="},
        {"dcv,truncate=12a", "truncate="},
        {"dcv,truncate=99999999999999999999999", "truncate="},
        {"dcv,instant,instant", "repeats option"},
        {"dcv,virtual-time,virtual-time", "repeats option"},
        {"dcv,", "empty option"},
        {"dcv,,instant", "empty option"},
        {"dcv;", "entry 2 is empty"},
        {";dcv", "entry 1 is empty"},
        {"dcv;;dci", "entry 2 is empty"},
        {"=dcv", "empty resource"},
        {"USB0::0x7A5E::0x0C46::A1::INSTR=", "unknown profile \"\""},
        {"USB0::0x7A5E::0x0C46::A1=dcv", "has resource"},
        {"GPIB0::22::INSTR=dcv", "has resource"},
        {"dci;USB0::0x7A5E::0x0C46::SIM0001::INSTR=dcv", "entry 2 names"},
        {"USB0::0x7A5E::0x0C46::A::INSTR=dcv;usb0::31326::3142::a::instr=dci", "a second time"},
        {"dcv,\x1b[2J\n", "unknown option \"\\x1b[2J\""},
    };
    for (const Case& c : kMalformed) {
        const SimConfigParser::Result result = SimConfigParser::Parse(c.text);
        EXPECT_TRUE(result.meters.empty()) << c.text;
        EXPECT_NE(result.error.find(c.where), std::string::npos)
            << c.text << " gave: " << result.error;
    }
}

std::string Repeated(const std::string& entry, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += (i > 0 ? ";" : "") + entry;
    }
    return text;
}

TEST(SimConfigParserTest, ABoardHoldsAsManyMetersAsAUsbBus) {
    EXPECT_EQ(SimConfigParser::Parse(Repeated("dcv", 127)).meters.size(), 127u);
    const SimConfigParser::Result full = SimConfigParser::Parse(Repeated("dcv", 128));
    EXPECT_TRUE(full.meters.empty());
    EXPECT_EQ(full.error, "entry 128 puts meter 128 on board USB0, which holds at most 127");
    // The largest value an environment holds is refused as soon as the bus is full.
    EXPECT_NE(SimConfigParser::Parse(Repeated("dcv", 32000)).error.find("entry 128 "),
              std::string::npos);
}

}  // namespace
