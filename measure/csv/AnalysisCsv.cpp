#include "csv/AnalysisCsv.h"

#include <charconv>

#include "analysis/AmplitudeSpectrum.h"
#include "analysis/ReadingHistogram.h"

namespace {

// Enough digits for a float reading and for a sum of 50000 of them.
constexpr int kDigits = 10;

void Append(std::string& text, double value, char after) {
    char digits[32];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, kDigits);
    text.append(digits, result.ptr);
    text.push_back(after);
}

}  // namespace

std::string AnalysisCsv::Histogram(const ReadingHistogram& histogram) {
    std::string text = "bin_low,bin_high,count,normal\n";
    for (std::size_t bin = 0; bin < histogram.counts.size(); ++bin) {
        const double low = histogram.LeftEdge(bin);
        Append(text, low, ',');
        Append(text, histogram.LeftEdge(bin + 1), ',');
        text += std::to_string(histogram.counts[bin]) + ',';
        Append(text, histogram.NormalCountAt(low + histogram.binWidth / 2), '\n');
    }
    return text;
}

std::string AnalysisCsv::Spectrum(const AmplitudeSpectrum& spectrum) {
    std::string text;
    for (const SpectrumPeak& peak : spectrum.peaks) {
        text += "# peak ";
        Append(text, peak.frequencyHz, ' ');
        Append(text, peak.rmsAmplitude, '\n');
    }
    text += "frequency_hz,density_per_root_hz\n";
    for (std::size_t bin = 0; bin < spectrum.density.size(); ++bin) {
        Append(text, spectrum.FrequencyOf(bin), ',');
        Append(text, spectrum.density[bin], '\n');
    }
    return text;
}
