// Whole runs through the default link and our VISA library on its simulated
// meter, chosen per test with ZVISA_SIM.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "analysis/ReadingHistogram.h"
#include "analysis/ReadingStatistics.h"
#include "analysis/SampleInterval.h"
#include "analysis/WelchSpectrum.h"
#include "run/MeasurementRun.h"
#include "run/RunRecord.h"
#include "support/Journal.h"
#include "support/RecordingWindow.h"

namespace {

const std::string kFunctionMessage =
    "Please set the function(DCV or DCI).\n And click the \" Measurement\" button ";

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
    const std::vector<std::string> commands = {"VOLT:NPLC 0.001\n", "VOLT:RANGE:AUTO 0\n",
                                               "TRIGGER:DELAY 0\n", "SAMPLE:COUNT 50000\n",
                                               "DR?\n"};
    EXPECT_EQ(LoggedCommands(), commands);
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
    EXPECT_EQ(window.messages, std::vector<std::string>{"Find resource manager failed."});
}

TEST_F(SimulatedMeterTest, TruncatedBlockSaysHowManyArrived) {
    RunOn("dcv,instant,truncate=1000");
    // 1000 bytes hold the 8-byte header and 248 whole readings.
    EXPECT_EQ(window.rows.size(), 248u);
    EXPECT_EQ(window.messages,
              std::vector<std::string>{"Only 248 of 50000 readings were received."});
}

// The analysis of a burst at 0.001 NPLC on 50 Hz mains: 50 kHz sampling.
const double kSampleInterval = SampleInterval::Seconds(50);
constexpr double kRippleAmplitude = 0.01;  // peak

class SimulatedToneTest : public SimulatedMeterTest,
                          public testing::WithParamInterface<const char*> {};

// A tone is found where it is, within one bin, with its RMS amplitude
// within 2 %, on a bin or between two.
TEST_P(SimulatedToneTest, SpectrumFindsTheRipple) {
    const std::string hz = GetParam();
    RunOn(("dcv,instant,ripple=0.01@" + hz).c_str());
    ASSERT_EQ(record.ReadingCount(), 50000u);
    const AmplitudeSpectrum spectrum = WelchSpectrum().Of(record.Values(), kSampleInterval);
    ASSERT_FALSE(spectrum.peaks.empty());
    EXPECT_NEAR(spectrum.peaks[0].frequencyHz, std::stod(hz), spectrum.binWidthHz);
    EXPECT_NEAR(spectrum.peaks[0].rmsAmplitude, kRippleAmplitude / std::sqrt(2.0),
                0.02 * kRippleAmplitude / std::sqrt(2.0));
}

// 50000 / 4096 Hz a bin: 1220.703125 Hz is bin 100, 1226.806640625 Hz half
// way to bin 101.
INSTANTIATE_TEST_SUITE_P(Tones, SimulatedToneTest,
                         testing::Values("50", "1220.703125", "1226.806640625", "3333", "17000"));

TEST_F(SimulatedMeterTest, TonesComeLargestFirst) {
    RunOn("dci,instant,ripple=2e-5@100,ripple=6e-5@5000,ripple=4e-5@20000");
    const AmplitudeSpectrum spectrum = WelchSpectrum().Of(record.Values(), kSampleInterval);
    ASSERT_GE(spectrum.peaks.size(), 3u);
    EXPECT_NEAR(spectrum.peaks[0].frequencyHz, 5000, spectrum.binWidthHz);
    EXPECT_NEAR(spectrum.peaks[1].frequencyHz, 20000, spectrum.binWidthHz);
    EXPECT_NEAR(spectrum.peaks[2].frequencyHz, 100, spectrum.binWidthHz);
}

class SimulatedNoiseTest : public SimulatedMeterTest,
                           public testing::WithParamInterface<std::size_t> {};

// White noise of deviation sigma has the density sigma / sqrt(fs / 2).
TEST_P(SimulatedNoiseTest, DensityOfWhiteNoise) {
    constexpr double kSigma = 1e-3;
    RunOn("dcv,instant,noise=0.001,seed=5");
    const AmplitudeSpectrum spectrum =
        WelchSpectrum().Of(record.Values(), kSampleInterval, GetParam());
    ASSERT_EQ(spectrum.segmentLength, GetParam());
    double power = 0.0;
    // 0 Hz lost the segments' means; the Nyquist bin counts once.
    for (std::size_t k = 1; k + 1 < spectrum.density.size(); ++k) {
        power += spectrum.density[k] * spectrum.density[k];
    }
    const double density = std::sqrt(power / static_cast<double>(spectrum.density.size() - 2));
    const double expected = kSigma / std::sqrt(0.5 / kSampleInterval);
    EXPECT_NEAR(density, expected, 0.1 * expected);
}

INSTANTIATE_TEST_SUITE_P(SegmentLengths, SimulatedNoiseTest, testing::Values(1024, 4096, 16384));

// Non-finite readings are left out of the histogram and counted; the
// spectrum still finds the tone.
TEST_F(SimulatedMeterTest, NonFiniteReadingsAreLeftOutAndCounted) {
    RunOn("dcv,instant,noise=0.002,ripple=0.01@1000,step=0.02@30000");
    std::vector<float> values = record.Values();
    for (std::size_t k : {0, 17, 25000, 49999}) {
        values[k] = k % 2 == 0 ? std::numeric_limits<float>::quiet_NaN()
                               : -std::numeric_limits<float>::infinity();
    }
    for (const std::size_t bins : {0, 1, 7, 500}) {
        const ReadingHistogram histogram = ReadingHistogram::Of(values, bins);
        std::size_t total = 0;
        for (const std::size_t count : histogram.counts) {
            total += count;
        }
        EXPECT_EQ(total, 49996u) << bins;
        EXPECT_EQ(histogram.finiteCount, 49996u);
        EXPECT_EQ(histogram.nonFiniteCount, 4u);
        if (bins > 0) {
            EXPECT_EQ(histogram.counts.size(), bins);
        }
    }
    EXPECT_EQ(ReadingStatistics::Of(values).NonFiniteCount(), 4u);
    const AmplitudeSpectrum spectrum = WelchSpectrum().Of(values, kSampleInterval);
    ASSERT_FALSE(spectrum.peaks.empty());
    EXPECT_NEAR(spectrum.peaks[0].frequencyHz, 1000, spectrum.binWidthHz);
}

// Freedman-Diaconis bins for Gaussian noise, and a normal curve that holds
// as many readings as the bars.
TEST_F(SimulatedMeterTest, HistogramOfNoiseFollowsItsNormalCurve) {
    RunOn("dcv,instant,noise=0.001,seed=9");
    const ReadingHistogram histogram = ReadingHistogram::Of(record.Values());
    // Width 2 x 1.349 sigma / 50000^(1/3) over a range of about 8.5 sigma.
    EXPECT_GT(histogram.counts.size(), 80u);
    EXPECT_LT(histogram.counts.size(), 160u);
    double curve = 0.0;
    std::size_t top = 0;
    for (std::size_t bin = 0; bin < histogram.counts.size(); ++bin) {
        curve += histogram.NormalCountAt(histogram.LeftEdge(bin) + histogram.binWidth / 2);
        top = histogram.counts[bin] > histogram.counts[top] ? bin : top;
    }
    EXPECT_NEAR(curve, 50000.0, 500.0);
    // Most readings on one value leave no quartile spread, still a spread of bins.
    std::vector<float> mostlyFlat(30000, 1.5f);
    mostlyFlat.insert(mostlyFlat.end(), record.Values().begin(), record.Values().begin() + 20000);
    EXPECT_EQ(ReadingHistogram::FreedmanDiaconisBins(mostlyFlat), 17u);
    EXPECT_NEAR(histogram.LeftEdge(top) + histogram.binWidth / 2, 1.5, 2 * histogram.binWidth);
}

}  // namespace
