#pragma once

#include <string>

struct AmplitudeSpectrum;
struct ReadingHistogram;

// The histogram and the spectrum as CSV for scripts, numbers in C notation
// whatever the locale, lines ending in '\n':
//
//   bin_low,bin_high,count,normal         # normal: the curve's readings a bin
//   frequency_hz,density_per_root_hz      # after "# peak <Hz> <RMS>" lines
class AnalysisCsv {
public:
    static std::string Histogram(const ReadingHistogram& histogram);
    static std::string Spectrum(const AmplitudeSpectrum& spectrum);
};
