// The simulated meter's commands, without USB.
#include "sim/SimInstrument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace {

using zvisa::sim::SimInstrument;
using zvisa::sim::SimMeterConfig;
using zvisa::sim::SimProfile;

SimMeterConfig Config(SimProfile profile) {
    SimMeterConfig config;
    config.resource = "USB0::0x7A5E::0x0C46::SN42::INSTR";
    config.serial = "SN42";
    config.profile = profile;
    return config;
}

std::string Text(const SimInstrument::Reply& reply) {
    return std::string(reply.bytes.begin(), reply.bytes.end());
}

double Seconds(std::chrono::nanoseconds duration) {
    return std::chrono::duration<double>(duration).count();
}

float ReadingAt(const std::vector<std::uint8_t>& block, std::size_t offset) {
    const std::uint32_t bits = block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
                               std::uint32_t{block[offset + 3]} << 24;
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(SimInstrumentTest, AnswersIdentityAndFunctionPerProfile) {
    struct Case {
        SimProfile profile;
        const char* function;
    };
    const Case kCases[] = {{SimProfile::kDcVolts, "\"VOLT\"\n"},
                           {SimProfile::kDcCurrent, "\"CURR\"\n"},
                           {SimProfile::kAcVolts, "\"VOLT:AC\"\n"}};
    for (const Case& c : kCases) {
        SimInstrument meter(Config(c.profile));
        const auto function = meter.Execute("func?");
        ASSERT_TRUE(function.has_value());
        EXPECT_EQ(Text(*function), c.function);
        const auto identity = meter.Execute("*IDN?");
        ASSERT_TRUE(identity.has_value());
        EXPECT_EQ(Text(*identity), "ZORVANE SIM,DMM-SIM,SN42,1.0\n");
    }
}

TEST(SimInstrumentTest, MuteMeterAndUnknownCommandsAnswerNothing) {
    SimInstrument mute(Config(SimProfile::kMute));
    EXPECT_FALSE(mute.Execute("*IDN?").has_value());
    EXPECT_FALSE(mute.Execute("DR?").has_value());
    SimInstrument meter(Config(SimProfile::kDcVolts));
    EXPECT_FALSE(meter.Execute("SYST:ERR?").has_value());
    EXPECT_FALSE(meter.Execute("VOLT:NPLC 0.001").has_value());
}

TEST(SimInstrumentTest, BurstIsADefiniteLengthBlockOfPlausibleReadings) {
    struct Case {
        SimProfile profile;
        const char* prefix;
        float level;
        float tolerance;
    };
    const Case kCases[] = {{SimProfile::kDcVolts, "VOLT", 1.5f, 0.01f},
                           {SimProfile::kDcCurrent, "CURR", 0.01f, 0.0001f}};
    for (const Case& c : kCases) {
        SimInstrument meter(Config(c.profile));
        meter.Execute(std::string(c.prefix) + ":NPLC 0.001");
        meter.Execute("SAMPLE:COUNT 50000");
        const auto reply = meter.Execute("DR?");
        ASSERT_TRUE(reply.has_value());
        ASSERT_EQ(reply->bytes.size(), 200009u);
        EXPECT_EQ(std::string(reply->bytes.begin(), reply->bytes.begin() + 8), "#6200000");
        EXPECT_EQ(reply->bytes.back(), '\n');
        EXPECT_NEAR(Seconds(reply->acquisition), 1.0, 1e-6);  // 0.001 PLC x 50000 / 50 Hz
        float lowest = c.level;
        float highest = c.level;
        for (std::size_t offset = 8; offset + 4 < reply->bytes.size(); offset += 4) {
            const float reading = ReadingAt(reply->bytes, offset);
            ASSERT_NEAR(reading, c.level, c.tolerance) << offset;
            lowest = std::min(lowest, reading);
            highest = std::max(highest, reading);
        }
        EXPECT_LT(lowest, highest);  // noisy, not a constant
    }
}

// Without noise the signal is exact: ripple at 20 us a reading, then the step.
TEST(SimInstrumentTest, SignalOptionsShapeTheBurst) {
    SimMeterConfig config = Config(SimProfile::kDcVolts);
    config.signal.noise = 0.0;
    config.signal.ripples = {{0.25, 12500.0}};  // a quarter period a reading
    config.signal.step = zvisa::sim::SimSignalConfig::Step{-1.0, 6};
    SimInstrument meter(config);
    meter.Execute("SAMPLE:COUNT 8");
    const auto reply = meter.Execute("DR?");
    ASSERT_TRUE(reply.has_value());
    const float expected[] = {1.5f, 1.75f, 1.5f, 1.25f, 1.5f, 1.75f, 0.5f, 0.25f};
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_NEAR(ReadingAt(reply->bytes, 4 + 4 * k), expected[k], 1e-6) << k;
    }

    // One seed, one sequence, whatever the resource.
    SimMeterConfig a = Config(SimProfile::kDcCurrent);
    SimMeterConfig b = a;
    b.resource = "USB0::0x7A5E::0x0C46::OTHER::INSTR";
    a.signal.seed = b.signal.seed = 7;
    SimInstrument first(a);
    SimInstrument second(b);
    first.Execute("SAMPLE:COUNT 100");
    second.Execute("SAMPLE:COUNT 100");
    EXPECT_EQ(first.Execute("DR?")->bytes, second.Execute("DR?")->bytes);
}

TEST(SimInstrumentTest, SettingsOutOfRangeAreIgnored) {
    SimInstrument meter(Config(SimProfile::kDcVolts));
    meter.Execute("SAMPLE:COUNT 10");
    meter.Execute("VOLT:NPLC 1");
    for (const char* bad : {"SAMPLE:COUNT 0", "SAMPLE:COUNT -3", "SAMPLE:COUNT 1e9", "SAMPLE:COUNT",
                            "VOLT:NPLC 0", "VOLT:NPLC 1,5", "VOLT:NPLC 1000"}) {
        meter.Execute(bad);
    }
    meter.Execute("CURR:NPLC 5");  // not the function measured
    const auto reply = meter.Execute("DR?");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->bytes.size(), std::string("#240").size() + 40 + 1);
    EXPECT_NEAR(Seconds(reply->acquisition), 0.2, 1e-6);  // 1 PLC x 10 / 50 Hz
}

TEST(SimInstrumentTest, InstantAndTruncatedBursts) {
    SimMeterConfig config = Config(SimProfile::kDcVolts);
    config.instant = true;
    config.truncateAfter = 1000;
    SimInstrument meter(config);
    meter.Execute("SAMPLE:COUNT 50000");
    const auto reply = meter.Execute("DR?");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->bytes.size(), 1000u);
    EXPECT_EQ(reply->acquisition.count(), 0);
}

TEST(SimInstrumentTest, ResetRestoresPowerOnSettingsAndNoise) {
    SimInstrument meter(Config(SimProfile::kDcVolts));
    const auto first = meter.Execute("DR?");
    meter.Execute("SAMPLE:COUNT 5");
    meter.Reset();
    const auto again = meter.Execute("DR?");
    ASSERT_TRUE(first && again);
    EXPECT_EQ(again->bytes, first->bytes);  // one reading, the same one
    EXPECT_EQ(first->bytes.size(), std::string("#14").size() + 4 + 1);
}

}  // namespace
