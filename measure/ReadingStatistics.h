#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Count, mean, standard deviation, minimum and maximum of a run's readings,
// read from their value texts as the grid shows them. Texts go in one at a
// time in reading order; the n-th text added (from 0) is reading n.
//
// Texts are parsed without the user's locale ("1.500000", "-0.000001").
// "inf", "-inf" and "nan" are counted as non-finite and left out of every
// figure; a text that is no number at all (or beyond a double's range) is
// counted as unreadable and left out too. Mean and deviation are updated
// with Welford's method, which stays accurate for 50000 readings that differ
// only in their last digits.
class ReadingStatistics {
public:
    void Add(std::string_view valueText);

    // All of `valueTexts`, reading 0 first.
    static ReadingStatistics Of(const std::vector<std::string>& valueTexts);

    std::size_t ReadingCount() const { return readings_; }  // every text added
    std::size_t Count() const { return count_; }            // finite readings in the figures
    std::size_t NonFiniteCount() const { return nonFinite_; }
    std::size_t UnreadableCount() const { return unreadable_; }

    // NaN when Count() is 0.
    double Mean() const;
    // Sample standard deviation (divides by n - 1); NaN when Count() is below 2.
    double StandardDeviation() const;
    // NaN when Count() is 0. The index is that of the first reading holding
    // the value, and 0 when there is none.
    double Minimum() const;
    std::size_t MinimumIndex() const { return minimumIndex_; }
    double Maximum() const;
    std::size_t MaximumIndex() const { return maximumIndex_; }

private:
    void AddFinite(double value);

    std::size_t readings_ = 0;
    std::size_t count_ = 0;
    std::size_t nonFinite_ = 0;
    std::size_t unreadable_ = 0;
    double mean_ = 0.0;
    double squaredDeviations_ = 0.0;  // sum of (x - mean)^2 so far
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    std::size_t minimumIndex_ = 0;
    std::size_t maximumIndex_ = 0;
};
