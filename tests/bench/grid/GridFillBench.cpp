// grid_fill_bench: what filling the readings grid costs on top of the message
// drains a run makes anyway. 50000 rows written through WriteReadingRow with a
// PumpMessages before each, against 50000 bare PumpMessages calls in the same
// process on the same shown dialog. Offscreen unless QT_QPA_PLATFORM says
// otherwise. The machine is shared, so the two are timed in alternating
// blocks of rows (both see the same load), each round uses a fresh dialog (no
// round rewrites equal texts), and the medians of the rounds are reported.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "run/ReadingText.h"
#include "ui/CMeterDlg.h"

namespace {

using bench::Median;

constexpr int kReadings = 50000;
constexpr int kRounds = 5;
constexpr int kBlockRows = 1000;

struct RowTexts {
    std::vector<std::string> index;
    std::vector<std::string> value;
};

struct Round {
    double fillMs;
    double bareMs;
};

// Texts as a run formats them: a slow ramp around 1.5 V.
RowTexts MakeRowTexts() {
    RowTexts texts;
    texts.index.reserve(kReadings);
    texts.value.reserve(kReadings);
    for (int i = 0; i < kReadings; ++i) {
        texts.index.push_back(IndexText(static_cast<std::size_t>(i)));
        texts.value.push_back(ValueText(1.5f + 0.00001f * static_cast<float>(i % 97)));
    }
    return texts;
}

template <typename Work>
double MillisecondsOf(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count();
}

// Lets the dialog get shown, laid out and painted before anything is timed.
void Settle(CMeterDlg& dlg) {
    constexpr int kSettleDrains = 50;
    for (int i = 0; i < kSettleDrains; ++i) {
        dlg.PumpMessages();
    }
}

Round MeasureRound(const RowTexts& texts) {
    CMeterDlg dlg;
    dlg.show();
    Settle(dlg);
    dlg.WriteReadingsHeader();
    Settle(dlg);
    Round round{};
    for (int first = 0; first < kReadings; first += kBlockRows) {
        const int end = std::min(first + kBlockRows, kReadings);
        round.bareMs += MillisecondsOf([&] {
            for (int i = first; i < end; ++i) {
                dlg.PumpMessages();
            }
        });
        round.fillMs += MillisecondsOf([&] {
            for (int i = first; i < end; ++i) {
                dlg.PumpMessages();
                dlg.WriteReadingRow(i, texts.index[i], texts.value[i]);
            }
        });
    }
    return round;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const RowTexts texts = MakeRowTexts();

    std::vector<double> fills;
    std::vector<double> bares;
    for (int r = 0; r < kRounds; ++r) {
        const Round round = MeasureRound(texts);
        std::printf("round %d fill_ms %.1f bare_drain_ms %.1f\n", r + 1, round.fillMs,
                    round.bareMs);
        fills.push_back(round.fillMs);
        bares.push_back(round.bareMs);
    }
    const double fillMs = Median(fills);
    const double bareMs = Median(bares);
    std::printf("platform %s, rows %d, medians of %d rounds\n",
                qPrintable(QGuiApplication::platformName()), kReadings, kRounds);
    std::printf("fill_ms %.1f\n", fillMs);
    std::printf("bare_drain_ms %.1f\n", bareMs);
    std::printf("fill_to_drain_ratio %.2f\n", bareMs > 0 ? fillMs / bareMs : 0.0);
    return 0;
}
