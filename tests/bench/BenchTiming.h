#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// What every benchmark here reports: medians of repeated wall-clock timings.
namespace bench {

inline double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

inline double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The median time of `repetitions` runs of `work`, in milliseconds.
inline double MedianMilliseconds(int repetitions, const std::function<void()>& work) {
    std::vector<double> samples;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        work();
        samples.push_back(MillisecondsSince(start));
    }
    return Median(samples);
}

}  // namespace bench
