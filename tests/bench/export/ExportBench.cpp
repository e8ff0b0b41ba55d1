// Time to turn a full burst of 50000 readings into CSV text, to write it with
// an atomic replace, and to compute its statistics.
// Writes into $TMPDIR (or /tmp); pass a folder to measure another disk.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "analysis/ReadingStatistics.h"
#include "csv/ReadingsCsv.h"
#include "run/ReadingText.h"
#include "save/AtomicFile.h"

namespace {

using bench::Median;
using bench::MillisecondsSince;

constexpr std::size_t kReadings = 50000;
constexpr int kRepetitions = 15;

struct Rows {
    std::vector<float> values;
    std::vector<std::string> indexTexts;
    std::vector<std::string> valueTexts;
};

// A noisy DC burst near 1.5 V with the texts the grid shows for it.
Rows BurstRows() {
    std::mt19937 random(5);
    std::normal_distribution<float> noise(1.5f, 1e-4f);
    Rows rows;
    for (std::size_t k = 0; k < kReadings; ++k) {
        rows.values.push_back(noise(random));
        rows.indexTexts.push_back(IndexText(k));
        rows.valueTexts.push_back(ValueText(rows.values.back()));
    }
    return rows;
}

std::string FormatCsv(const Rows& rows) {
    ReadingsCsv csv(ReadingsCsvHeader{"ZORVANE SIM,DMM-SIM,SIM0001,1.0\n",
                                      ReadingsCsv::DateTimeText(std::time(nullptr)),
                                      "Total time of measurement : 1021 ms",
                                      {}});
    csv.Reserve(kReadings);
    for (std::size_t k = 0; k < kReadings; ++k) {
        csv.AddRow(rows.indexTexts[k], rows.valueTexts[k]);
    }
    return csv.Text();
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string path = (folder / "zorvane_export_bench.csv").string();
    const Rows rows = BurstRows();

    std::vector<double> formatMs, writeMs, totalMs, statisticsMs;
    std::size_t csvBytes = 0;
    double checksum = 0;  // keeps the statistics from being optimised away
    for (int r = 0; r < kRepetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const std::string text = FormatCsv(rows);
        formatMs.push_back(MillisecondsSince(start));

        const auto writeStart = std::chrono::steady_clock::now();
        AtomicFile file(path);
        if (!file.Write(text)) {
            std::fprintf(stderr, "%s\n", file.Error().c_str());
            return 1;
        }
        writeMs.push_back(MillisecondsSince(writeStart));
        totalMs.push_back(MillisecondsSince(start));
        csvBytes = text.size();

        const auto statisticsStart = std::chrono::steady_clock::now();
        const ReadingStatistics statistics = ReadingStatistics::Of(rows.values);
        statisticsMs.push_back(MillisecondsSince(statisticsStart));
        checksum += statistics.Mean() + statistics.StandardDeviation();
    }
    std::filesystem::remove(path);

    std::printf("export_bench: %zu readings, median of %d repetitions, file in %s\n", kReadings,
                kRepetitions, folder.c_str());
    std::printf("  format CSV text          %8.3f ms  (%zu bytes)\n", Median(formatMs), csvBytes);
    std::printf("  atomic write with fsync  %8.3f ms\n", Median(writeMs));
    std::printf("  format and write         %8.3f ms\n", Median(totalMs));
    std::printf("  statistics of readings   %8.3f ms\n", Median(statisticsMs));
    std::printf("  (checksum %.6f)\n", checksum / kRepetitions);
    return 0;
}
