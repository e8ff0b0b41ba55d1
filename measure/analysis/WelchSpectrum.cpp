#include "analysis/WelchSpectrum.h"

#include <algorithm>
#include <cmath>

#include "analysis/FftPlan.h"
#include "analysis/ReadingStatistics.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// A Hann peak's main lobe spans two bins each side of its top; a tone
// between bins leans one more. Beyond this a peak is someone else's.
constexpr std::size_t kMaxPeakHalfWidth = 6;
// A peak is listed when its top's density stands this many times above the
// median density of the bins around it (18 dB). Noise alone, even the
// largest of 16384 bins of a single segment, stays below 5 times its median;
// a tone's few bins do not move the median of 65.
constexpr double kPeakMargin = 8.0;
constexpr std::size_t kFloorHalfWidth = 32;

// The periodic Hann window: the one whose bins line up with the FFT's.
std::vector<double> HannWindow(std::size_t length) {
    std::vector<double> window(length);
    for (std::size_t i = 0; i < length; ++i) {
        window[i] =
            0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(length));
    }
    return window;
}

// The readings as doubles, a non-finite one replaced by the finite mean so
// that one bad reading does not spread over the whole spectrum.
std::vector<double> SignalOf(const std::vector<float>& values) {
    const double mean = ReadingStatistics::Of(values).Mean();
    std::vector<double> signal(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        signal[i] = std::isfinite(values[i]) ? values[i] : mean;
    }
    return signal;
}

// Bins from `top` down both flanks while the density keeps falling.
std::pair<std::size_t, std::size_t> PeakExtent(const std::vector<double>& power, std::size_t top) {
    std::size_t first = top;
    while (first > 1 && top - first < kMaxPeakHalfWidth && power[first - 1] < power[first]) {
        --first;
    }
    std::size_t last = top;
    while (last + 1 < power.size() && last - top < kMaxPeakHalfWidth &&
           power[last + 1] < power[last]) {
        ++last;
    }
    return {first, last};
}

// The median power of the bins within kFloorHalfWidth of `top`, 0 Hz left
// out: the noise floor where the peak stands.
double LocalFloor(const std::vector<double>& power, std::size_t top) {
    const std::size_t first = top > kFloorHalfWidth + 1 ? top - kFloorHalfWidth : 1;
    const std::size_t end = std::min(power.size(), top + kFloorHalfWidth + 1);
    std::vector<double> around(power.begin() + static_cast<std::ptrdiff_t>(first),
                               power.begin() + static_cast<std::ptrdiff_t>(end));
    const auto middle = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
    std::nth_element(around.begin(), middle, around.end());
    return *middle;
}

// A local maximum above 0 Hz whose density stands kPeakMargin times above
// its local floor; powers compare with the margin squared.
bool StandsAboveFloor(const std::vector<double>& power, std::size_t k) {
    const bool top = power[k] > power[k - 1] && (k + 1 == power.size() || power[k] >= power[k + 1]);
    return top && power[k] > kPeakMargin * kPeakMargin * LocalFloor(power, k);
}

// The peaks that stand above the noise, with the power of each whole peak;
// its frequency is the power-weighted centre, which finds a tone between bins.
std::vector<SpectrumPeak> LargestPeaks(const std::vector<double>& power, double binWidthHz,
                                       std::size_t count) {
    std::vector<std::pair<double, SpectrumPeak>> peaks;  // power, peak
    for (std::size_t k = 1; k < power.size(); ++k) {
        if (!StandsAboveFloor(power, k)) {
            continue;
        }
        const auto [first, last] = PeakExtent(power, k);
        double total = 0.0;
        double moment = 0.0;
        for (std::size_t j = first; j <= last; ++j) {
            total += power[j];
            moment += power[j] * static_cast<double>(j);
        }
        const double meanSquare = total * binWidthHz;
        peaks.push_back(
            {meanSquare, SpectrumPeak{moment / total * binWidthHz, std::sqrt(meanSquare)}});
    }
    const std::size_t kept = std::min(count, peaks.size());
    std::partial_sort(peaks.begin(), peaks.begin() + static_cast<std::ptrdiff_t>(kept), peaks.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<SpectrumPeak> largest;
    for (std::size_t i = 0; i < kept; ++i) {
        largest.push_back(peaks[i].second);
    }
    return largest;
}

}  // namespace

struct WelchSpectrum::Segment {
    explicit Segment(std::size_t length) : plan(length), window(HannWindow(length)) {
        for (const double w : window) {
            windowSquares += w * w;
        }
    }
    FftPlan plan;
    std::vector<double> window;
    double windowSquares = 0.0;
};

WelchSpectrum::WelchSpectrum() = default;
WelchSpectrum::~WelchSpectrum() = default;

WelchSpectrum::Segment& WelchSpectrum::SegmentOf(std::size_t length) {
    std::unique_ptr<Segment>& segment = segments_[length];
    if (!segment) {
        segment = std::make_unique<Segment>(length);
    }
    return *segment;
}

AmplitudeSpectrum WelchSpectrum::Of(const std::vector<float>& values, double sampleIntervalSeconds,
                                    std::size_t segmentLength) {
    AmplitudeSpectrum spectrum;
    const ReadingStatistics statistics = ReadingStatistics::Of(values);
    const std::size_t length = std::min(std::max(segmentLength, kMinSegmentLength), values.size());
    if (statistics.Count() < kMinSegmentLength || length < kMinSegmentLength ||
        !(sampleIntervalSeconds > 0.0)) {
        return spectrum;
    }
    const std::vector<double> signal = SignalOf(values);
    Segment& segment = SegmentOf(length);
    const std::size_t step = length / 2;
    const std::size_t bins = length / 2 + 1;
    std::vector<double> power(bins, 0.0);
    double* input = segment.plan.Input();
    std::size_t count = 0;
    for (std::size_t start = 0; start + length <= signal.size(); start += step, ++count) {
        const double* part = signal.data() + start;
        double sum = 0.0;
        for (std::size_t i = 0; i < length; ++i) {
            sum += part[i];
        }
        const double mean = sum / static_cast<double>(length);
        for (std::size_t i = 0; i < length; ++i) {
            input[i] = (part[i] - mean) * segment.window[i];
        }
        segment.plan.Execute();
        const std::complex<double>* bin = segment.plan.Output();
        for (std::size_t k = 0; k < bins; ++k) {
            power[k] += std::norm(bin[k]);
        }
    }
    // One-sided density: every bin but 0 Hz and the Nyquist bin also holds
    // its negative-frequency twin.
    const double sampleRate = 1.0 / sampleIntervalSeconds;
    const double scale = 1.0 / (sampleRate * segment.windowSquares * static_cast<double>(count));
    for (std::size_t k = 0; k < bins; ++k) {
        const bool twin = k != 0 && !(length % 2 == 0 && k == bins - 1);
        power[k] *= scale * (twin ? 2.0 : 1.0);
    }
    spectrum.binWidthHz = sampleRate / static_cast<double>(length);
    spectrum.segmentLength = length;
    spectrum.segmentCount = count;
    spectrum.peaks = LargestPeaks(power, spectrum.binWidthHz, kPeakCount);
    spectrum.density.resize(bins);
    std::transform(power.begin(), power.end(), spectrum.density.begin(),
                   [](double p) { return std::sqrt(p); });
    return spectrum;
}
