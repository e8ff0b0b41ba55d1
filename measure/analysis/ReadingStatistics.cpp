#include "analysis/ReadingStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void ReadingStatistics::Add(double value) {
    if (std::isfinite(value)) {
        AddFinite(value);
    } else {
        ++nonFinite_;
    }
    ++readings_;
}

void ReadingStatistics::AddFinite(double value) {
    const std::size_t index = readings_;
    if (count_ == 0 || value < minimum_) {
        minimum_ = value;
        minimumIndex_ = index;
    }
    if (count_ == 0 || value > maximum_) {
        maximum_ = value;
        maximumIndex_ = index;
    }
    ++count_;
    const double delta = value - mean_;
    mean_ += delta / static_cast<double>(count_);
    squaredDeviations_ += delta * (value - mean_);
}

ReadingStatistics ReadingStatistics::Of(const std::vector<float>& values) {
    ReadingStatistics statistics;
    for (const float value : values) {
        statistics.Add(value);
    }
    return statistics;
}

double ReadingStatistics::Mean() const {
    return count_ > 0 ? mean_ : kUndefined;
}

double ReadingStatistics::StandardDeviation() const {
    if (count_ < 2) {
        return kUndefined;
    }
    // Rounding must not turn a flat run's zero into a NaN.
    return std::sqrt(std::max(0.0, squaredDeviations_) / static_cast<double>(count_ - 1));
}

double ReadingStatistics::Minimum() const {
    return count_ > 0 ? minimum_ : kUndefined;
}

double ReadingStatistics::Maximum() const {
    return count_ > 0 ? maximum_ : kUndefined;
}

double ReadingStatistics::PeakToPeak() const {
    return count_ > 0 ? maximum_ - minimum_ : kUndefined;
}

double ReadingStatistics::CrestFactor() const {
    const double rms = AcRms();
    if (!(rms > 0.0)) {
        return kUndefined;
    }
    return std::max(maximum_ - mean_, mean_ - minimum_) / rms;
}
