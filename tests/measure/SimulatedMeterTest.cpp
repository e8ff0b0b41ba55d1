// Whole runs through the default link and our VISA library on its simulated
// meter, chosen per test with ZVISA_SIM.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "analysis/SampleInterval.h"
#include "analysis/WelchSpectrum.h"
#include "run/MeasurementRun.h"
#include "run/RunRecord.h"
#include "support/Journal.h"
#include "support/RecordingWindow.h"
#include "support/RunTexts.h"

namespace {

using RunTexts::kFunctionMessage;

class SimulatedMeterTest : public testing::Test {
protected:
    void TearDown() override { unsetenv("ZVISA_SIM"); }

    void RunOn(const char* simulation) {
        if (simulation != nullptr) {
            setenv("ZVISA_SIM", simulation, 1);
        } else {
            unsetenv("ZVISA_SIM");
        }
        RunMeasurement(window, record);
    }

    std::vector<std::string> LoggedCommands() const {
        std::vector<std::string> commands;
        for (const auto& row : window.logRows) {
            commands.push_back(row.second);
        }
        return commands;
    }

    Journal journal;
    RecordingWindow window{journal};
    RunRecord record;
};

TEST_F(SimulatedMeterTest, DcVoltsGivesTheWholeBurst) {
    RunOn("dcv,instant");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(window.identity.empty());
    EXPECT_EQ(LoggedCommands(), RunTexts::kVoltsCommands);
    EXPECT_EQ(window.rows.size(), 50000u);
    EXPECT_EQ(window.rows.back().first, "49999");
    EXPECT_EQ(window.totalTime.rfind("Total time of measurement : ", 0), 0u);
    ExpectRecordKeepsWhatWasShown(record, window);
}

TEST_F(SimulatedMeterTest, DcCurrentUsesTheCurrentPrefix) {
    RunOn("dci,instant");
    EXPECT_TRUE(window.messages.empty());
    ASSERT_EQ(window.logRows.size(), 5u);
    EXPECT_EQ(window.logRows[0].second, "CURR:NPLC 0.001\n");
    EXPECT_EQ(window.logRows[1].second, "CURR:RANGE:AUTO 0\n");
    EXPECT_EQ(window.rows.size(), 50000u);
}

TEST_F(SimulatedMeterTest, AcVoltsIsRejected) {
    RunOn("acv");
    EXPECT_EQ(window.messages, std::vector<std::string>{kFunctionMessage});
    EXPECT_FALSE(window.identity.empty());
    EXPECT_TRUE(window.logRows.empty());
}

// Both queries wait out the run's 7 s timeout, on the meter's virtual time.
TEST_F(SimulatedMeterTest, MuteMeterIsRejectedAfterTimeouts) {
    RunOn("mute,virtual-time");
    EXPECT_EQ(window.messages, std::vector<std::string>{kFunctionMessage});
    EXPECT_EQ(window.identity, "");
}

TEST_F(SimulatedMeterTest, NoSimulationAndNoMeterFindsNothing) {
    RunOn(nullptr);
    EXPECT_EQ(window.messages, std::vector<std::string>{RunTexts::kNoMeterMessage});
}

TEST_F(SimulatedMeterTest, TruncatedBlockSaysHowManyArrived) {
    RunOn("dcv,instant,truncate=1000");
    // 1000 bytes hold the 8-byte header and 248 whole readings.
    EXPECT_EQ(window.rows.size(), 248u);
    EXPECT_EQ(window.messages, std::vector<std::string>{RunTexts::ShortBlockMessage(248)});
}

// The meter's ripples and noise through a whole run to the spectrum, at
// 0.001 NPLC on 50 Hz mains (50 kHz): the tones listed are those of the
// profile, at their frequency and RMS amplitude, and nothing else; the floor
// is the noise's density, sigma / sqrt(fs / 2).
struct SpectrumCase {
    const char* name;
    const char* simulation;
    double sigma;
    std::vector<std::pair<double, double>> tones;  // Hz, peak amplitude, largest first
};

void PrintTo(const SpectrumCase& c, std::ostream* os) {
    *os << c.name;
}

class SimulatedSpectrumTest : public SimulatedMeterTest,
                              public testing::WithParamInterface<SpectrumCase> {};

TEST_P(SimulatedSpectrumTest, ListsTheTonesAboveTheNoiseAndNothingElse) {
    const SpectrumCase& c = GetParam();
    RunOn(c.simulation);
    ASSERT_EQ(record.ReadingCount(), 50000u);
    const double interval = SampleInterval::Seconds(50);
    const AmplitudeSpectrum spectrum = WelchSpectrum().Of(record.Values(), interval);
    ASSERT_EQ(spectrum.peaks.size(), c.tones.size());
    for (std::size_t i = 0; i < c.tones.size(); ++i) {
        const auto [hz, amplitude] = c.tones[i];
        EXPECT_NEAR(spectrum.peaks[i].frequencyHz, hz, spectrum.binWidthHz) << i;
        EXPECT_NEAR(spectrum.peaks[i].rmsAmplitude, amplitude / std::sqrt(2.0),
                    0.03 * amplitude / std::sqrt(2.0))
            << i;
    }
    std::vector<double> density(spectrum.density.begin() + 1, spectrum.density.end());
    std::nth_element(density.begin(), density.begin() + density.size() / 2, density.end());
    const double floor = c.sigma / std::sqrt(0.5 / interval);
    EXPECT_NEAR(density[density.size() / 2], floor, 0.15 * floor);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, SimulatedSpectrumTest,
    testing::Values(SpectrumCase{"two_ripples",
                                 "dcv,instant,ripple=0.004@50,ripple=0.0015@1226.8,noise=0.0005",
                                 5e-4,
                                 {{50, 0.004}, {1226.8, 0.0015}}},
                    SpectrumCase{"noise_alone", "dcv,instant,noise=0.0005", 5e-4, {}},
                    SpectrumCase{"current_ripples",
                                 "dci,instant,ripple=2e-5@100,ripple=6e-5@5000,noise=1e-6,seed=5",
                                 1e-6,
                                 {{5000, 6e-5}, {100, 2e-5}}}),
    [](const testing::TestParamInfo<SpectrumCase>& info) { return info.param.name; });

}  // namespace
