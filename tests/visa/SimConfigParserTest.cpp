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

    const SimConfigParser::Result signal = SimConfigParser::Parse(
        "dci, ripple=1e-3@50, RIPPLE=-2e-4@150.5, noise=0, step=0.5@25000, seed=42");
    ASSERT_EQ(signal.meters.size(), 1u) << signal.error;
    const zvisa::sim::SimSignalConfig& s = signal.meters[0].signal;
    ASSERT_EQ(s.ripples.size(), 2u);
    EXPECT_EQ(s.ripples[1].amplitude, -2e-4);
    EXPECT_EQ(s.ripples[1].frequencyHz, 150.5);
    EXPECT_EQ(s.noise, 0.0);
    ASSERT_TRUE(s.step.has_value());
    EXPECT_EQ(s.step->amplitude, 0.5);
    EXPECT_EQ(s.step->index, 25000u);
    EXPECT_EQ(s.seed, 42u);
}

TEST(SimConfigParserTest, EmptyTextOffersNothingWithoutComplaint) {
    const SimConfigParser::Result result = SimConfigParser::Parse("  ");
    EXPECT_TRUE(result.error.empty());
    EXPECT_TRUE(result.meters.empty());
}

TEST(SimConfigParserTest, MalformedTextOffersNoMeterAndSaysWhere) {
    struct Case {
        std::string text;
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
        {"dcv,ripple=0.01", "has ripple=\"0.01\""},
        {"dcv,ripple=0.01@0", "has ripple="},
        {"dcv,ripple=nan@50", "has ripple="},
        {"dcv,ripple=0.01@50Hz", "has ripple="},
        {"dcv,noise=-1", "has noise="},
        {"dcv,noise=inf", "has noise="},
        {"dcv,noise=1,noise=2", "repeats option"},
        {"dcv,step=1@-3", "has step="},
        {"dcv,step=1", "has step="},
        {"dcv,seed=4294967296", "has seed="},
        {"dcv,seed=1,seed=1", "repeats option"},
        {"acv,ripple=1@50", "which only dcv and dci take"},
        {"mute,noise=1", "which only dcv and dci take"},
        // Settings whose readings would be inf or NaN.
        {"dcv,ripple=1e308@1e308", "has ripple="},
        {"dcv,ripple=1@1e13", "has ripple="},
        {"dcv,ripple=-1e31@50", "has ripple="},
        {"dcv,step=1e300@0", "has step="},
        {"dcv,noise=1e31", "has noise="},
        {"USB0::0x7A5E::0x0C46::" + std::string(240, 'S') + "::INSTR=dcv", "longer than the 255"},
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
