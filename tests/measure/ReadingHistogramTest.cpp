// The histogram of synthetic readings: Freedman-Diaconis bins and the normal
// curve for Gaussian noise, non-finite and flat readings.
#include "analysis/ReadingHistogram.h"

#include <gtest/gtest.h>

#include <limits>
#include <numeric>
#include <random>
#include <vector>

namespace {

std::vector<float> Gaussian(std::size_t count, double sigma, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(1.5, sigma);
    std::vector<float> values(count);
    for (float& value : values) {
        value = static_cast<float>(noise(random));
    }
    return values;
}

std::size_t Total(const ReadingHistogram& histogram) {
    return std::accumulate(histogram.counts.begin(), histogram.counts.end(), std::size_t{0});
}

// Freedman-Diaconis bins for Gaussian noise, and a normal curve that holds
// as many readings as the bars, its top where the tallest bar is.
TEST(ReadingHistogramTest, NoiseFollowsItsNormalCurve) {
    const ReadingHistogram histogram = ReadingHistogram::Of(Gaussian(50000, 1e-3, 9));
    // Width 2 x 1.349 sigma / 50000^(1/3) over a range of about 8.5 sigma.
    EXPECT_GT(histogram.counts.size(), 80u);
    EXPECT_LT(histogram.counts.size(), 160u);
    EXPECT_EQ(Total(histogram), 50000u);
    double curve = 0.0;
    std::size_t top = 0;
    for (std::size_t bin = 0; bin < histogram.counts.size(); ++bin) {
        curve += histogram.NormalCountAt(histogram.LeftEdge(bin) + histogram.binWidth / 2);
        top = histogram.counts[bin] > histogram.counts[top] ? bin : top;
    }
    EXPECT_NEAR(curve, 50000.0, 500.0);
    EXPECT_NEAR(histogram.LeftEdge(top) + histogram.binWidth / 2, 1.5, 2 * histogram.binWidth);
}

// Non-finite readings are left out and counted apart, whatever the bins.
TEST(ReadingHistogramTest, NonFiniteReadingsAreLeftOutAndCounted) {
    std::vector<float> values = Gaussian(50000, 2e-3, 5);
    for (std::size_t k : {0, 17, 25000, 49999}) {
        values[k] = k % 2 == 0 ? std::numeric_limits<float>::quiet_NaN()
                               : -std::numeric_limits<float>::infinity();
    }
    for (const std::size_t bins : {0, 1, 7, 500}) {
        const ReadingHistogram histogram = ReadingHistogram::Of(values, bins);
        EXPECT_EQ(Total(histogram), 49996u) << bins;
        EXPECT_EQ(histogram.finiteCount, 49996u);
        EXPECT_EQ(histogram.nonFiniteCount, 4u);
        if (bins > 0) {
            EXPECT_EQ(histogram.counts.size(), bins);
        }
    }
}

// The largest reading falls in the last bin; most readings on one value leave
// no quartile spread (Sturges' rule then: log2 50000 + 1, rounded up); a flat
// run gets one bin with a width to draw; no finite reading gives no bins.
TEST(ReadingHistogramTest, EdgesFlatAndEmpty) {
    const ReadingHistogram ramp = ReadingHistogram::Of({0.0f, 1.0f, 2.0f, 3.0f, 4.0f}, 4);
    EXPECT_EQ(ramp.counts, (std::vector<std::size_t>{1, 1, 1, 2}));
    EXPECT_DOUBLE_EQ(ramp.LeftEdge(4), 4.0);
    std::vector<float> mostlyFlat = Gaussian(20000, 1e-3, 4);
    mostlyFlat.resize(50000, 1.5f);
    EXPECT_EQ(ReadingHistogram::FreedmanDiaconisBins(mostlyFlat), 17u);
    const ReadingHistogram flat = ReadingHistogram::Of(std::vector<float>(100, 1.5f));
    ASSERT_EQ(flat.counts, std::vector<std::size_t>{100});
    EXPECT_GT(flat.binWidth, 0.0);
    EXPECT_EQ(flat.NormalCountAt(1.5), 0.0);
    const ReadingHistogram none = ReadingHistogram::Of({std::numeric_limits<float>::infinity()});
    EXPECT_TRUE(none.counts.empty());
    EXPECT_EQ(none.nonFiniteCount, 1u);
}

}  // namespace
