#include "ConsoleWindow.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Outcome = ConsoleWindow::Outcome;

class ConsoleWindowTest : public testing::Test {
protected:
    ConsoleWindow::Report Report(bool messagesOnly = false, bool inPlace = false) {
        ConsoleWindow::Report report;
        report.out = &out;
        report.messagesOnly = messagesOnly;
        report.progressInPlace = inPlace;
        return report;
    }
    static void ShowRows(ConsoleWindow& window, int count) {
        window.WriteReadingsHeader();
        for (int k = 0; k < count; ++k) {
            window.WriteReadingRow(k, std::to_string(k), "1.500000");
        }
    }

    std::ostringstream out;
};

struct ProgressCase {
    int rows;
    bool inPlace;
    const char* report;
};

class ProgressTest : public ConsoleWindowTest, public testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressTest, EveryFiveThousandAndAtTheEnd) {
    ConsoleWindow window(Report(false, GetParam().inPlace));
    ShowRows(window, GetParam().rows);
    window.EndProgress();
    window.EndProgress();  // once only
    EXPECT_EQ(out.str(), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ProgressTest,
    testing::Values(
        ProgressCase{12000, false,
                     "Readings received: 5000\nReadings received: 10000\n"
                     "Readings received: 12000\n"},
        // The last step already told the final count.
        ProgressCase{10000, false, "Readings received: 5000\nReadings received: 10000\n"},
        ProgressCase{0, false, "Readings received: 0\n"},
        ProgressCase{7, false, "Readings received: 7\n"},
        ProgressCase{12000, true,
                     "\rReadings received: 5000\rReadings received: 10000"
                     "\rReadings received: 12000\n"},
        ProgressCase{10000, true, "\rReadings received: 5000\rReadings received: 10000\n"}));

TEST_F(ConsoleWindowTest, ReportsTheRunInOrder) {
    ConsoleWindow window(Report(false, true));
    window.ResetCommandLog();
    window.ShowIdentity("ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");
    window.AddLogRow("21:10:05", "VOLT:NPLC 0.001\n");
    window.ShowTotalTime("Total time of measurement : 2 ms");
    ShowRows(window, 5248);
    window.ShowMessage("Only 5248 of 50000 readings were received.");
    window.EndProgress();
    EXPECT_EQ(out.str(),
              "Identity: ZORVANE SIM,DMM-SIM,SIM0001,1.0\n"
              "Command: 21:10:05  VOLT:NPLC 0.001\n"
              "Total time of measurement : 2 ms\n"
              "\rReadings received: 5000\rReadings received: 5248\n"
              "Only 5248 of 50000 readings were received.\n");
    EXPECT_EQ(window.Identity(), "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");
    EXPECT_EQ(window.Readings().size(), 5248u);
    EXPECT_EQ(window.Readings().back().indexText, "5247");
}

TEST_F(ConsoleWindowTest, QuietReportsMessagesOnly) {
    ConsoleWindow window(Report(true));
    window.ShowIdentity("ACME\n");
    window.AddLogRow("21:10:05", "DR?\n");
    window.ShowTotalTime("Total time of measurement : 2 ms");
    ShowRows(window, 6000);
    window.ShowMessage("Only 6000 of 50000 readings were received.");
    EXPECT_EQ(out.str(), "Only 6000 of 50000 readings were received.\n");
}

TEST_F(ConsoleWindowTest, WithoutAReportItOnlyKeeps) {
    ConsoleWindow window;
    ShowRows(window, 5000);
    window.ShowMessage("Find resource manager failed.");
    window.EndProgress();
    EXPECT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(out.str(), "");
}

struct OutcomeCase {
    const char* name;
    bool header;
    int rows;
    bool message;
    Outcome outcome;
};

class OutcomeTest : public testing::TestWithParam<OutcomeCase> {};

TEST_P(OutcomeTest, FollowsWhatTheRunShowed) {
    const OutcomeCase& c = GetParam();
    ConsoleWindow window;
    if (c.header) {
        window.WriteReadingsHeader();
    }
    for (int k = 0; k < c.rows; ++k) {
        window.WriteReadingRow(k, std::to_string(k), "1.500000");
    }
    if (c.message) {
        window.ShowMessage("a message");
    }
    EXPECT_EQ(window.RunOutcome(), c.outcome);
    EXPECT_EQ(window.IsCompleteRun(), c.outcome == Outcome::kComplete);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, OutcomeTest,
    testing::Values(OutcomeCase{"all_readings", true, 3, false, Outcome::kComplete},
                    OutcomeCase{"short_block", true, 3, true, Outcome::kReadingsMissing},
                    OutcomeCase{"empty_block", true, 0, true, Outcome::kReadingsMissing},
                    OutcomeCase{"no_rows_no_message", true, 0, false, Outcome::kReadingsMissing},
                    OutcomeCase{"stopped_with_message", false, 0, true,
                                Outcome::kStoppedBeforeReadings},
                    OutcomeCase{"nothing_shown", false, 0, false, Outcome::kStoppedBeforeReadings}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

}  // namespace
