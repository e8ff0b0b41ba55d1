#pragma once

#include <cstddef>
#include <vector>

// A tone found in a spectrum: its frequency and the RMS amplitude the power
// of its whole peak gives (a sine of peak amplitude A reads A / sqrt(2)).
struct SpectrumPeak {
    double frequencyHz = 0.0;
    double rmsAmplitude = 0.0;
};

// One-sided amplitude spectral density of a run's readings, in the
// readings' unit per square root of a hertz: bin k is k * binWidthHz, from
// 0 Hz to half the sample rate. Empty when there were too few readings.
struct AmplitudeSpectrum {
    double binWidthHz = 0.0;
    std::vector<double> density;
    std::size_t segmentLength = 0;  // readings per Welch segment
    std::size_t segmentCount = 0;   // segments averaged
    // At most five, the largest first: those standing clearly above the
    // noise floor around them; none for noise alone.
    std::vector<SpectrumPeak> peaks;

    double FrequencyOf(std::size_t bin) const { return binWidthHz * static_cast<double>(bin); }
};
