// Time to decode a full 50000-reading "DR?" block and to format every row's
// index and value text, as a run does before handing rows to the window.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "run/ReadingBlock.h"
#include "run/ReadingText.h"

namespace {

using bench::Median;
using bench::MillisecondsSince;

constexpr std::size_t kReadings = 50000;
constexpr int kRepetitions = 21;

std::vector<unsigned char> FullBlock() {
    const std::string header = "#6" + std::to_string(kReadings * 4);
    std::vector<unsigned char> block(header.begin(), header.end());
    for (std::size_t k = 0; k < kReadings; ++k) {
        // Values spread like a noisy DC reading, with varying digit counts.
        const float value = static_cast<float>(k % 977) * -0.0137f + static_cast<float>(k) * 0.25f;
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 4; ++i) {
            block.push_back(static_cast<unsigned char>(bits >> (8 * i)));
        }
    }
    return block;
}

}  // namespace

int main() {
    const std::vector<unsigned char> block = FullBlock();
    std::vector<double> decodeMs, formatMs, totalMs;
    std::size_t textBytes = 0;  // keeps the formatting from being optimised away
    for (int r = 0; r < kRepetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const ReadingBlock decoded = DecodeReadingBlock(block.data(), block.size());
        const double decodedMs = MillisecondsSince(start);
        const auto formatStart = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < decoded.Received(); ++k) {
            textBytes += IndexText(k).size() + ValueText(decoded.values[k]).size();
        }
        formatMs.push_back(MillisecondsSince(formatStart));
        decodeMs.push_back(decodedMs);
        totalMs.push_back(MillisecondsSince(start));
        if (decoded.Received() != kReadings) {
            std::fprintf(stderr, "decoded %zu readings, expected %zu\n", decoded.Received(),
                         kReadings);
            return 1;
        }
    }
    std::printf("decode_bench: %zu readings, median of %d repetitions\n", kReadings, kRepetitions);
    std::printf("  decode block          %8.3f ms\n", Median(decodeMs));
    std::printf("  format index + value  %8.3f ms\n", Median(formatMs));
    std::printf("  decode and format     %8.3f ms\n", Median(totalMs));
    std::printf("  (%zu text bytes formatted in all)\n", textBytes);
    return 0;
}
