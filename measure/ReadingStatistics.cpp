#include "ReadingStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// The whole text as a number, or nothing when it is not one (or out of range).
std::optional<double> ParseValue(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

void ReadingStatistics::Add(std::string_view valueText) {
    const std::optional<double> value = ParseValue(valueText);
    if (!value) {
        ++unreadable_;
    } else if (!std::isfinite(*value)) {
        ++nonFinite_;
    } else {
        AddFinite(*value);
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

ReadingStatistics ReadingStatistics::Of(const std::vector<std::string>& valueTexts) {
    ReadingStatistics statistics;
    for (const std::string& text : valueTexts) {
        statistics.Add(text);
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
