#pragma once

#include <cstddef>
#include <vector>

// Count, mean, standard deviation, minimum and maximum of a run's readings,
// and what follows from them for the AC part: RMS, peak-to-peak, crest factor.
// Readings go in one at a time in reading order; the n-th one added (from 0)
// is reading n.
//
// Infinities and NaNs are counted as non-finite and left out of every
// figure. Mean and deviation are updated with Welford's method, which stays
// accurate for 50000 readings that differ only in their last digits.
class ReadingStatistics {
public:
    void Add(double value);

    // All of `values`, reading 0 first.
    static ReadingStatistics Of(const std::vector<float>& values);

    std::size_t ReadingCount() const { return readings_; }  // every reading added
    std::size_t Count() const { return count_; }            // finite readings in the figures
    std::size_t NonFiniteCount() const { return nonFinite_; }

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

    // RMS of the readings less their mean: the standard deviation.
    double AcRms() const { return StandardDeviation(); }
    // Maximum less minimum; NaN when Count() is 0.
    double PeakToPeak() const;
    // The larger distance of minimum or maximum from the mean, over AcRms():
    // 1.414 for a sine, about 4 for 50000 readings of Gaussian noise. NaN
    // when Count() is below 2 or the readings are all the same.
    double CrestFactor() const;

private:
    void AddFinite(double value);

    std::size_t readings_ = 0;
    std::size_t count_ = 0;
    std::size_t nonFinite_ = 0;
    double mean_ = 0.0;
    double squaredDeviations_ = 0.0;  // sum of (x - mean)^2 so far
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    std::size_t minimumIndex_ = 0;
    std::size_t maximumIndex_ = 0;
};
