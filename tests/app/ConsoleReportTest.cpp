#include "app/ConsoleReport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

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
    const char* name;
    int rows;
    bool inPlace;
    const char* printed;
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.name;
}

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
    testing::Values(ProgressCase{"TwelveThousandOnLines", 12000, false,
                                 "Readings received: 5000\nReadings received: 10000\n"
                                 "Readings received: 12000\n"},
                    // The last step already told the final count.
                    ProgressCase{"TenThousandOnLines", 10000, false,
                                 "Readings received: 5000\nReadings received: 10000\n"},
                    ProgressCase{"NoneOnALine", 0, false, "Readings received: 0\n"},
                    ProgressCase{"SevenOnALine", 7, false, "Readings received: 7\n"},
                    ProgressCase{"TwelveThousandInPlace", 12000, true,
                                 "\rReadings received: 5000\rReadings received: 10000"
                                 "\rReadings received: 12000\n"},
                    ProgressCase{"TenThousandInPlace", 10000, true,
                                 "\rReadings received: 5000\rReadings received: 10000\n"}),
    [](const testing::TestParamInfo<ProgressCase>& info) { return std::string(info.param.name); });

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

TEST_F(ConsoleReportTest, WithoutAStreamItReportsNothing) {
    ConsoleReport report(ConsoleReport::Settings{});
    ShowRows(report, 5000);
    report.ShowMessage("Find resource manager failed.");
    report.EndProgress();
    EXPECT_EQ(out.str(), "");
}

}  // namespace
