#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "analysis/AmplitudeSpectrum.h"

class FftPlan;

// Welch's method: Hann-windowed segments overlapping by half, each less its
// mean, their power spectra averaged. Keeps one FFT plan and window per
// segment length, made the first time that length is asked for.
class WelchSpectrum {
public:
    static constexpr std::size_t kDefaultSegmentLength = 4096;
    static constexpr std::size_t kMinSegmentLength = 16;
    static constexpr std::size_t kPeakCount = 5;

    WelchSpectrum();
    ~WelchSpectrum();

    // The spectrum of `values` taken `sampleIntervalSeconds` apart, in
    // segments of `segmentLength`, or of all readings when there are fewer.
    // Non-finite readings count as the mean of the finite ones. Empty below
    // kMinSegmentLength finite readings. Lists the largest kPeakCount peaks
    // whose top density is 8 times the median density of the 65 bins around
    // it or more.
    AmplitudeSpectrum Of(const std::vector<float>& values, double sampleIntervalSeconds,
                         std::size_t segmentLength = kDefaultSegmentLength);

    // Plans made so far, one per segment length.
    std::size_t PlanCount() const { return segments_.size(); }

private:
    struct Segment;
    Segment& SegmentOf(std::size_t length);

    std::map<std::size_t, std::unique_ptr<Segment>> segments_;
};
