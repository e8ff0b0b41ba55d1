#include "analysis/ReadingHistogram.h"

#include <algorithm>
#include <cmath>

#include "analysis/ReadingStatistics.h"

namespace {

// More bins than this show noise of the counts, not of the readings.
constexpr std::size_t kMaxBins = 10000;

std::vector<float> FiniteOf(const std::vector<float>& values) {
    std::vector<float> finite;
    finite.reserve(values.size());
    for (const float value : values) {
        if (std::isfinite(value)) {
            finite.push_back(value);
        }
    }
    return finite;
}

// The value a share `q` of the way through `values` in order, interpolated;
// nth_element partly sorts them as it goes.
double Quantile(std::vector<float>& values, double q) {
    const double position = q * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    std::nth_element(values.begin(), values.begin() + below, values.end());
    const double low = values[below];
    if (below + 1 >= values.size()) {
        return low;
    }
    const double high = *std::min_element(values.begin() + below + 1, values.end());
    return low + (high - low) * (position - static_cast<double>(below));
}

}  // namespace

std::size_t ReadingHistogram::FreedmanDiaconisBins(const std::vector<float>& values) {
    std::vector<float> finite = FiniteOf(values);
    if (finite.size() < 2) {
        return 1;
    }
    const auto [low, high] = std::minmax_element(finite.begin(), finite.end());
    const double range = static_cast<double>(*high) - *low;
    const double lowerQuartile = Quantile(finite, 0.25);
    const double upperQuartile = Quantile(finite, 0.75);
    const double width =
        2.0 * (upperQuartile - lowerQuartile) / std::cbrt(static_cast<double>(finite.size()));
    if (!(range > 0.0)) {
        return 1;
    }
    // Half the readings or more on one value leave no quartile spread:
    // Sturges' rule then, which needs none.
    if (!(width > 0.0)) {
        return static_cast<std::size_t>(std::ceil(std::log2(static_cast<double>(finite.size())))) +
               1;
    }
    return std::clamp<std::size_t>(static_cast<std::size_t>(std::ceil(range / width)), 1, kMaxBins);
}

ReadingHistogram ReadingHistogram::Of(const std::vector<float>& values, std::size_t binCount) {
    ReadingHistogram histogram;
    const ReadingStatistics statistics = ReadingStatistics::Of(values);
    histogram.finiteCount = statistics.Count();
    histogram.nonFiniteCount = statistics.NonFiniteCount();
    if (statistics.Count() == 0) {
        return histogram;
    }
    histogram.mean = statistics.Mean();
    histogram.standardDeviation = statistics.Count() > 1 ? statistics.StandardDeviation() : 0.0;
    const std::size_t bins =
        std::min(binCount > 0 ? binCount : FreedmanDiaconisBins(values), kMaxBins);
    histogram.lowest = statistics.Minimum();
    const double range = statistics.Maximum() - statistics.Minimum();
    // A flat run still gets a bin with a width to draw.
    histogram.binWidth = range > 0.0 ? range / static_cast<double>(bins)
                                     : std::max(std::abs(histogram.lowest), 1.0) * 1e-6;
    histogram.counts.assign(bins, 0);
    const double perWidth = 1.0 / histogram.binWidth;
    for (const float value : values) {
        if (std::isfinite(value)) {
            const double at = (static_cast<double>(value) - histogram.lowest) * perWidth;
            const std::size_t bin = std::min(static_cast<std::size_t>(at), bins - 1);
            ++histogram.counts[bin];
        }
    }
    return histogram;
}

double ReadingHistogram::NormalCountAt(double value) const {
    if (!(standardDeviation > 0.0)) {
        return 0.0;
    }
    constexpr double kInverseRootTwoPi = 0.3989422804014327;
    const double z = (value - mean) / standardDeviation;
    return static_cast<double>(finiteCount) * binWidth * kInverseRootTwoPi / standardDeviation *
           std::exp(-0.5 * z * z);
}
