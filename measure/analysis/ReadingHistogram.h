#pragma once

#include <cstddef>
#include <vector>

// Counts of the finite readings in bins of equal width, from the smallest
// reading to the largest; the last bin holds the largest. Non-finite
// readings are left out and counted apart.
struct ReadingHistogram {
    double lowest = 0.0;    // left edge of bin 0
    double binWidth = 0.0;  // 0 when there are no finite readings
    std::vector<std::size_t> counts;
    std::size_t finiteCount = 0;
    std::size_t nonFiniteCount = 0;
    double mean = 0.0;               // of the finite readings, for the normal curve
    double standardDeviation = 0.0;  // 0 below two finite readings

    // `binCount` bins, or as many as the Freedman-Diaconis rule gives when 0.
    static ReadingHistogram Of(const std::vector<float>& values, std::size_t binCount = 0);
    // Bins by the Freedman-Diaconis rule: width 2 IQR / n^(1/3), at least one;
    // by Sturges' rule (log2 n + 1) when the interquartile range is 0.
    static std::size_t FreedmanDiaconisBins(const std::vector<float>& values);

    double LeftEdge(std::size_t bin) const { return lowest + binWidth * static_cast<double>(bin); }
    // Readings the normal curve of the same mean and deviation puts in one
    // bin's width about `value`: the curve drawn over the counts.
    double NormalCountAt(double value) const;
};
