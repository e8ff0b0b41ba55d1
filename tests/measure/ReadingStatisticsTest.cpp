#include "analysis/ReadingStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

// Figures computed the plain way in long double: mean first, then the
// squared deviations from it.
struct Reference {
    std::size_t count = 0;
    long double mean = 0;
    long double deviation = 0;
    long double minimum = 0;
    long double maximum = 0;
    std::size_t minimumIndex = 0;
    std::size_t maximumIndex = 0;
};

template <typename Value>
Reference TwoPass(const std::vector<Value>& values) {
    Reference r;
    std::vector<std::pair<std::size_t, long double>> finite;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (std::isfinite(values[k])) {
            finite.emplace_back(k, values[k]);
        }
    }
    r.count = finite.size();
    long double sum = 0;
    for (const auto& [k, value] : finite) {
        sum += value;
        if (k == finite.front().first || value < r.minimum) {
            r.minimum = value;
            r.minimumIndex = k;
        }
        if (k == finite.front().first || value > r.maximum) {
            r.maximum = value;
            r.maximumIndex = k;
        }
    }
    r.mean = sum / r.count;
    long double squares = 0;
    for (const auto& [k, value] : finite) {
        squares += (value - r.mean) * (value - r.mean);
    }
    r.deviation = std::sqrt(squares / (r.count - 1));
    return r;
}

template <typename Value>
void ExpectMatchesReference(const std::vector<Value>& values, const ReadingStatistics& statistics,
                            double deviationTolerance) {
    const Reference reference = TwoPass(values);
    EXPECT_EQ(statistics.ReadingCount(), values.size());
    EXPECT_EQ(statistics.Count(), reference.count);
    EXPECT_NEAR(statistics.Mean(), static_cast<double>(reference.mean),
                1e-13 * std::fabs(static_cast<double>(reference.mean)));
    EXPECT_NEAR(statistics.StandardDeviation(), static_cast<double>(reference.deviation),
                deviationTolerance * static_cast<double>(reference.deviation));
    EXPECT_EQ(statistics.Minimum(), static_cast<double>(reference.minimum));
    EXPECT_EQ(statistics.MinimumIndex(), reference.minimumIndex);
    EXPECT_EQ(statistics.Maximum(), static_cast<double>(reference.maximum));
    EXPECT_EQ(statistics.MaximumIndex(), reference.maximumIndex);
}

TEST(ReadingStatisticsTest, FullBurstNearOneAndAHalfVolts) {
    std::mt19937 random(11);
    std::normal_distribution<float> noise(1.5f, 1e-4f);
    std::vector<float> values;
    for (int k = 0; k < 50000; ++k) {
        values.push_back(noise(random));
    }
    ExpectMatchesReference(values, ReadingStatistics::Of(values), 1e-9);
}

// Readings far from zero with a tiny spread: summing squares would lose every
// digit of the deviation here.
TEST(ReadingStatisticsTest, LargeOffsetSmallSpread) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> micro(0, 999);
    std::vector<double> values;
    ReadingStatistics statistics;
    for (int k = 0; k < 50000; ++k) {
        values.push_back(1000000.0 + micro(random) * 1e-6);
        statistics.Add(values.back());
    }
    ExpectMatchesReference(values, statistics, 1e-6);
}

TEST(ReadingStatisticsTest, MixedSignsAndNonFiniteReadings) {
    std::mt19937 random(13);
    std::uniform_real_distribution<float> volts(-20.0f, 20.0f);
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    std::vector<float> values;
    for (int k = 0; k < 5000; ++k) {
        values.push_back(k % 101 == 5 ? kNan : k % 211 == 7 ? -kInfinity : volts(random));
    }
    ExpectMatchesReference(values, ReadingStatistics::Of(values), 1e-12);
}

// A whole number of periods of a sine: AC RMS A / sqrt(2), crest factor sqrt(2).
TEST(ReadingStatisticsTest, SineGivesItsRmsPeakToPeakAndCrestFactor) {
    constexpr double kAmplitude = 0.25;
    std::vector<float> values;
    for (int k = 0; k < 50000; ++k) {
        values.push_back(static_cast<float>(3.0 + kAmplitude * std::sin(2 * M_PI * k / 100.0)));
    }
    const ReadingStatistics s = ReadingStatistics::Of(values);
    EXPECT_NEAR(s.AcRms(), kAmplitude / std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(s.PeakToPeak(), 2 * kAmplitude, 1e-6);
    EXPECT_NEAR(s.CrestFactor(), std::sqrt(2.0), 1e-4);
    EXPECT_TRUE(std::isnan(ReadingStatistics::Of(std::vector<float>(9, 1.5f)).CrestFactor()));
}

struct HandCase {
    const char* name;
    std::vector<float> values;
    std::size_t count, nonFinite;
    double mean, deviation, minimum;
    std::size_t minimumIndex;
    double maximum;
    std::size_t maximumIndex;
};

void PrintTo(const HandCase& c, std::ostream* os) {
    *os << c.name;
}

class HandPickedTest : public testing::TestWithParam<HandCase> {};

// NaN expected means "undefined", which must come out as NaN too.
void ExpectSame(double actual, double expected, const char* what) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << what << " is " << actual;
    } else {
        EXPECT_NEAR(actual, expected, 1e-12) << what;
    }
}

TEST_P(HandPickedTest, Figures) {
    const HandCase& c = GetParam();
    const ReadingStatistics s = ReadingStatistics::Of(c.values);
    EXPECT_EQ(s.ReadingCount(), c.values.size());
    EXPECT_EQ(s.Count(), c.count);
    EXPECT_EQ(s.NonFiniteCount(), c.nonFinite);
    ExpectSame(s.Mean(), c.mean, "mean");
    ExpectSame(s.StandardDeviation(), c.deviation, "deviation");
    ExpectSame(s.Minimum(), c.minimum, "minimum");
    ExpectSame(s.Maximum(), c.maximum, "maximum");
    EXPECT_EQ(s.MinimumIndex(), c.minimumIndex);
    EXPECT_EQ(s.MaximumIndex(), c.maximumIndex);
}

const double kNone = NAN;
const float kInf = INFINITY;

INSTANTIATE_TEST_SUITE_P(
    Cases, HandPickedTest,
    testing::Values(
        HandCase{"ramp", {1.0f, 2.0f, 3.0f, 4.0f}, 4, 0, 2.5, std::sqrt(5.0 / 3.0), 1.0, 0, 4.0, 3},
        // Ties go to the first reading holding the value.
        HandCase{"ties", {2.0f, 1.0f, 1.0f, 2.0f}, 4, 0, 1.5, std::sqrt(1.0 / 3.0), 1.0, 1, 2.0, 0},
        // Indices count the readings left out, as the grid does.
        HandCase{"non_finite_left_out",
                 {kInf, 1.5f, NAN, -kInf, 0.5f},
                 2,
                 3,
                 1.0,
                 std::sqrt(0.5),
                 0.5,
                 4,
                 1.5,
                 1},
        HandCase{"negative_zero_and_negatives",
                 {-0.0f, -1.25f, 0.75f},
                 3,
                 0,
                 -1.0 / 6.0,
                 std::sqrt(147.0 / 144.0),
                 -1.25,
                 1,
                 0.75,
                 2},
        HandCase{"flat_run_has_zero_deviation", std::vector<float>(50000, 1.5f), 50000, 0, 1.5, 0.0,
                 1.5, 0, 1.5, 0},
        HandCase{"one_reading", {-2.0f}, 1, 0, -2.0, kNone, -2.0, 0, -2.0, 0},
        HandCase{"only_non_finite", {NAN, kInf}, 0, 2, kNone, kNone, kNone, 0, kNone, 0},
        HandCase{"empty", {}, 0, 0, kNone, kNone, kNone, 0, kNone, 0}),
    [](const testing::TestParamInfo<HandCase>& info) { return info.param.name; });

}  // namespace
