#include "ConsoleReport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Outcome = ConsoleReport::Outcome;

class ConsoleReportTest : public testing::Test {
protected:
    ConsoleReport::Settings Settings(bool messagesOnly = false, bool inPlace = false) {
        ConsoleReport::Settings settings;
        settings.out = &out;
        settings.messagesOnly = messagesOnly;
        settings.progressInPlace = inPlace;
        return settings;
    }
    static void ShowRows(ConsoleReport& report, int count) {
        report.WriteReadingsHeader();
        for (int k = 0; k < count; ++k) {
            report.WriteReadingRow(k, std::to_string(k), "1.500000");
        }
    }

    std::ostringstream out;
};

struct ProgressCase {
    int rows;
    bool inPlace;
    const char* printed;
};

class ProgressTest : public ConsoleReportTest, public testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressTest, EveryFiveThousandAndAtTheEnd) {
    ConsoleReport report(Settings(false, GetParam().inPlace));
    ShowRows(report, GetParam().rows);
    report.EndProgress();
    report.EndProgress();  // once only
    EXPECT_EQ(out.str(), GetParam().printed);
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

TEST_F(ConsoleReportTest, ReportsTheRunInOrder) {
    ConsoleReport report(Settings(false, true));
    report.ResetCommandLog();
    report.ShowIdentity("ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");
    report.AddLogRow("21:10:05", "VOLT:NPLC 0.001\n");
    report.ShowTotalTime("Total time of measurement : 2 ms");
    ShowRows(report, 5248);
    report.ShowMessage("Only 5248 of 50000 readings were received.");
    report.EndProgress();
    EXPECT_EQ(out.str(),
              "Identity: ZORVANE SIM,DMM-SIM,SIM0001,1.0\n"
              "Command: 21:10:05  VOLT:NPLC 0.001\n"
              "Total time of measurement : 2 ms\n"
              "\rReadings received: 5000\rReadings received: 5248\n"
              "Only 5248 of 50000 readings were received.\n");
    EXPECT_EQ(report.Identity(), "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");
    EXPECT_EQ(report.Readings().size(), 5248u);
    EXPECT_EQ(report.Readings().back().indexText, "5247");
}

TEST_F(ConsoleReportTest, QuietReportsMessagesOnly) {
    ConsoleReport report(Settings(true));
    report.ShowIdentity("ACME\n");
    report.AddLogRow("21:10:05", "DR?\n");
    report.ShowTotalTime("Total time of measurement : 2 ms");
    ShowRows(report, 6000);
    report.ShowMessage("Only 6000 of 50000 readings were received.");
    EXPECT_EQ(out.str(), "Only 6000 of 50000 readings were received.\n");
}

TEST_F(ConsoleReportTest, WithoutAReportItOnlyKeeps) {
    ConsoleReport report;
    ShowRows(report, 5000);
    report.ShowMessage("Find resource manager failed.");
    report.EndProgress();
    EXPECT_EQ(report.Messages().size(), 1u);
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
    ConsoleReport report;
    if (c.header) {
        report.WriteReadingsHeader();
    }
    for (int k = 0; k < c.rows; ++k) {
        report.WriteReadingRow(k, std::to_string(k), "1.500000");
    }
    if (c.message) {
        report.ShowMessage("a message");
    }
    EXPECT_EQ(report.RunOutcome(), c.outcome);
    EXPECT_EQ(report.IsCompleteRun(), c.outcome == Outcome::kComplete);
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
