// The spectrum of synthetic readings: where a tone is found and how large,
// which peaks are listed, the density of white noise, non-finite readings.
#include "analysis/WelchSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

// A burst at 0.001 NPLC on 50 Hz mains: 50000 readings at 50 kHz.
constexpr double kInterval = 20e-6;
constexpr std::size_t kBurst = 50000;
constexpr double kLevel = 1.5;

struct Tone {
    double amplitude;  // peak
    double hz;
};

// kLevel plus the tones and Gaussian noise of deviation `sigma`, as floats
// the way the meter sends them.
std::vector<float> Readings(const std::vector<Tone>& tones, double sigma, unsigned seed = 3) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    std::vector<float> values(kBurst);
    for (std::size_t k = 0; k < kBurst; ++k) {
        double value = kLevel + (sigma > 0.0 ? noise(random) : 0.0);
        for (const Tone& tone : tones) {
            value += tone.amplitude * std::sin(2 * M_PI * tone.hz * kInterval * k);
        }
        values[k] = static_cast<float>(value);
    }
    return values;
}

void ExpectPeaksAt(const AmplitudeSpectrum& spectrum, const std::vector<Tone>& tones) {
    ASSERT_EQ(spectrum.peaks.size(), tones.size());
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const double rms = tones[i].amplitude / std::sqrt(2.0);
        EXPECT_NEAR(spectrum.peaks[i].frequencyHz, tones[i].hz, spectrum.binWidthHz) << i;
        EXPECT_NEAR(spectrum.peaks[i].rmsAmplitude, rms, 0.02 * rms) << i;
    }
}

class WelchToneTest : public testing::TestWithParam<double> {};

// One tone, found within a bin with its RMS amplitude within 2 %, on a bin or
// between two; the noise under it lists nothing.
TEST_P(WelchToneTest, FindsTheToneAloneOnOrBetweenBins) {
    const std::vector<Tone> tones = {{0.01, GetParam()}};
    ExpectPeaksAt(WelchSpectrum().Of(Readings(tones, 5e-4), kInterval), tones);
}

// 50000 / 4096 Hz a bin: 1220.703125 Hz is bin 100, 1226.806640625 Hz half
// way to bin 101.
INSTANTIATE_TEST_SUITE_P(Tones, WelchToneTest,
                         testing::Values(50, 1220.703125, 1226.806640625, 3333, 17000));

// Six tones clear of the noise: the five largest are listed, largest first
// by the power of the whole peak, whatever their frequencies.
TEST(WelchSpectrumTest, ListsTheFiveLargestPeaksLargestFirst) {
    const std::vector<Tone> tones = {{6e-4, 4700}, {5e-4, 300},   {4e-4, 13900},
                                     {3e-4, 2100}, {2e-4, 21000}, {1e-4, 9100}};
    const AmplitudeSpectrum spectrum = WelchSpectrum().Of(Readings(tones, 2e-6), kInterval);
    ExpectPeaksAt(spectrum, {tones.begin(), tones.begin() + WelchSpectrum::kPeakCount});
}

class WelchNoiseTest : public testing::TestWithParam<std::size_t> {};

// White noise of deviation sigma has the density sigma / sqrt(fs / 2), and
// none of its bumps is listed as a peak, whatever the segment length.
TEST_P(WelchNoiseTest, DensityOfWhiteNoiseAndNoPeaks) {
    constexpr double kSigma = 1e-3;
    const AmplitudeSpectrum spectrum =
        WelchSpectrum().Of(Readings({}, kSigma), kInterval, GetParam());
    ASSERT_EQ(spectrum.segmentLength, GetParam());
    double power = 0.0;
    // 0 Hz lost the segments' means; the Nyquist bin counts once.
    for (std::size_t k = 1; k + 1 < spectrum.density.size(); ++k) {
        power += spectrum.density[k] * spectrum.density[k];
    }
    const double density = std::sqrt(power / static_cast<double>(spectrum.density.size() - 2));
    const double expected = kSigma / std::sqrt(0.5 / kInterval);
    EXPECT_NEAR(density, expected, 0.1 * expected);
    EXPECT_TRUE(spectrum.peaks.empty()) << spectrum.peaks.size() << " peaks, the first at "
                                        << spectrum.peaks[0].frequencyHz << " Hz";
}

INSTANTIATE_TEST_SUITE_P(SegmentLengths, WelchNoiseTest,
                         testing::Values(256, 1024, 4096, 16384, 32768));

// A non-finite reading counts as the mean: the density stays finite and the
// tone is still found alone.
TEST(WelchSpectrumTest, NonFiniteReadingsCountAsTheMean) {
    const std::vector<Tone> tones = {{0.01, 1000}};
    std::vector<float> values = Readings(tones, 2e-3);
    for (std::size_t k : {0, 17, 25000, 49999}) {
        values[k] = k % 2 == 0 ? std::numeric_limits<float>::quiet_NaN()
                               : -std::numeric_limits<float>::infinity();
    }
    const AmplitudeSpectrum spectrum = WelchSpectrum().Of(values, kInterval);
    for (const double density : spectrum.density) {
        ASSERT_TRUE(std::isfinite(density));
    }
    ExpectPeaksAt(spectrum, tones);
}

// Too few finite readings, or no time between them, give no spectrum.
TEST(WelchSpectrumTest, TooFewReadingsGiveNone) {
    std::vector<float> values(WelchSpectrum::kMinSegmentLength, 1.5f);
    values[3] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(WelchSpectrum().Of(values, kInterval).density.empty());
    EXPECT_TRUE(WelchSpectrum().Of(Readings({}, 1e-3), 0.0).density.empty());
}

}  // namespace
