#include "ReadingStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ReadingText.h"

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

Reference TwoPass(const std::vector<std::string>& texts) {
    Reference r;
    std::vector<std::pair<std::size_t, long double>> finite;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const long double value = std::strtold(texts[k].c_str(), nullptr);
        if (std::isfinite(value)) {
            finite.emplace_back(k, value);
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

void ExpectMatchesReference(const std::vector<std::string>& texts, double deviationTolerance) {
    const Reference reference = TwoPass(texts);
    const ReadingStatistics statistics = ReadingStatistics::Of(texts);
    EXPECT_EQ(statistics.ReadingCount(), texts.size());
    EXPECT_EQ(statistics.Count(), reference.count);
    EXPECT_NEAR(statistics.Mean(), static_cast<double>(reference.mean),
                1e-14 * std::fabs(static_cast<double>(reference.mean)));
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
    std::vector<std::string> texts;
    for (int k = 0; k < 50000; ++k) {
        texts.push_back(ValueText(noise(random)));
    }
    ExpectMatchesReference(texts, 1e-9);
}

// Readings far from zero with a tiny spread: summing squares would lose every
// digit of the deviation here.
TEST(ReadingStatisticsTest, LargeOffsetSmallSpread) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> micro(0, 999);
    std::vector<std::string> texts;
    for (int k = 0; k < 50000; ++k) {
        char text[32];
        std::snprintf(text, sizeof text, "1000000.000%03d", micro(random));
        texts.push_back(text);
    }
    ExpectMatchesReference(texts, 1e-6);
}

TEST(ReadingStatisticsTest, MixedSignsAndNonFiniteReadings) {
    std::mt19937 random(13);
    std::uniform_real_distribution<float> volts(-20.0f, 20.0f);
    std::vector<std::string> texts;
    for (int k = 0; k < 5000; ++k) {
        texts.push_back(k % 101 == 5 ? "nan" : k % 211 == 7 ? "-inf" : ValueText(volts(random)));
    }
    ExpectMatchesReference(texts, 1e-12);
}

struct HandCase {
    const char* name;
    std::vector<std::string> texts;
    std::size_t count, nonFinite, unreadable;
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
    const ReadingStatistics s = ReadingStatistics::Of(c.texts);
    EXPECT_EQ(s.ReadingCount(), c.texts.size());
    EXPECT_EQ(s.Count(), c.count);
    EXPECT_EQ(s.NonFiniteCount(), c.nonFinite);
    EXPECT_EQ(s.UnreadableCount(), c.unreadable);
    ExpectSame(s.Mean(), c.mean, "mean");
    ExpectSame(s.StandardDeviation(), c.deviation, "deviation");
    ExpectSame(s.Minimum(), c.minimum, "minimum");
    ExpectSame(s.Maximum(), c.maximum, "maximum");
    EXPECT_EQ(s.MinimumIndex(), c.minimumIndex);
    EXPECT_EQ(s.MaximumIndex(), c.maximumIndex);
}

const double kNone = NAN;

INSTANTIATE_TEST_SUITE_P(
    Cases, HandPickedTest,
    testing::Values(
        HandCase{"ramp",
                 {"1.000000", "2.000000", "3.000000", "4.000000"},
                 4,
                 0,
                 0,
                 2.5,
                 std::sqrt(5.0 / 3.0),
                 1.0,
                 0,
                 4.0,
                 3},
        // Ties go to the first reading holding the value.
        HandCase{"ties",
                 {"2.0", "1.0", "1.0", "2.0"},
                 4,
                 0,
                 0,
                 1.5,
                 std::sqrt(1.0 / 3.0),
                 1.0,
                 1,
                 2.0,
                 0},
        // Indices count the readings left out, as the grid does.
        HandCase{"non_finite_left_out",
                 {"inf", "1.500000", "nan", "-inf", "0.500000"},
                 2,
                 3,
                 0,
                 1.0,
                 std::sqrt(0.5),
                 0.5,
                 4,
                 1.5,
                 1},
        HandCase{"not_numbers",
                 {"", "abc", "1.5x", "1,5", " 1.5", "3.000000"},
                 1,
                 0,
                 5,
                 3.0,
                 kNone,
                 3.0,
                 5,
                 3.0,
                 5},
        HandCase{"negative_zero_and_negatives",
                 {"-0.000000", "-1.250000", "0.750000"},
                 3,
                 0,
                 0,
                 -1.0 / 6.0,
                 std::sqrt(147.0 / 144.0),
                 -1.25,
                 1,
                 0.75,
                 2},
        HandCase{"flat_run_has_zero_deviation", std::vector<std::string>(50000, "1.500000"), 50000,
                 0, 0, 1.5, 0.0, 1.5, 0, 1.5, 0},
        HandCase{"one_reading", {"-2.000000"}, 1, 0, 0, -2.0, kNone, -2.0, 0, -2.0, 0},
        HandCase{"only_non_finite", {"nan", "inf"}, 0, 2, 0, kNone, kNone, kNone, 0, kNone, 0},
        HandCase{"empty", {}, 0, 0, 0, kNone, kNone, kNone, 0, kNone, 0}),
    [](const testing::TestParamInfo<HandCase>& info) { return info.param.name; });

}  // namespace
