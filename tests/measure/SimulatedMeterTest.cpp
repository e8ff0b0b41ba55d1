// Whole runs through the default link and our VISA library on its simulated
// meter, chosen per test with ZVISA_SIM.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Journal.h"
#include "MeasurementRun.h"
#include "RecordingWindow.h"
#include "RunRecord.h"

namespace {

const std::string kFunctionMessage =
    "Please set the function(DCV or DCI).\n And click the \" Measurement\" button ";

class SimulatedMeterTest : public testing::Test {
protected:
    void TearDown() override { unsetenv("ZVISA_SIM"); }

    void RunOn(const char* simulation) {
        if (simulation != nullptr) {
            setenv("ZVISA_SIM", simulation, 1);
        } else {
            unsetenv("ZVISA_SIM");
        }
        RunMeasurement(window, record);
    }

    std::vector<std::string> LoggedCommands() const {
        std::vector<std::string> commands;
        for (const auto& row : window.logRows) {
            commands.push_back(row.second);
        }
        return commands;
    }

    Journal journal;
    RecordingWindow window{journal};
    RunRecord record;
};

TEST_F(SimulatedMeterTest, DcVoltsGivesTheWholeBurst) {
    RunOn("dcv,instant");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(window.identity.empty());
    const std::vector<std::string> commands = {"VOLT:NPLC 0.001\n", "VOLT:RANGE:AUTO 0\n",
                                               "TRIGGER:DELAY 0\n", "SAMPLE:COUNT 50000\n",
                                               "DR?\n"};
    EXPECT_EQ(LoggedCommands(), commands);
    EXPECT_EQ(window.rows.size(), 50000u);
    EXPECT_EQ(window.rows.back().first, "49999");
    EXPECT_EQ(window.totalTime.rfind("Total time of measurement : ", 0), 0u);
    ExpectRecordKeepsWhatWasShown(record, window);
}

TEST_F(SimulatedMeterTest, DcCurrentUsesTheCurrentPrefix) {
    RunOn("dci,instant");
    EXPECT_TRUE(window.messages.empty());
    ASSERT_EQ(window.logRows.size(), 5u);
    EXPECT_EQ(window.logRows[0].second, "CURR:NPLC 0.001\n");
    EXPECT_EQ(window.logRows[1].second, "CURR:RANGE:AUTO 0\n");
    EXPECT_EQ(window.rows.size(), 50000u);
}

TEST_F(SimulatedMeterTest, AcVoltsIsRejected) {
    RunOn("acv");
    EXPECT_EQ(window.messages, std::vector<std::string>{kFunctionMessage});
    EXPECT_FALSE(window.identity.empty());
    EXPECT_TRUE(window.logRows.empty());
}

// Both queries wait out the run's 7 s timeout, on the meter's virtual time.
TEST_F(SimulatedMeterTest, MuteMeterIsRejectedAfterTimeouts) {
    RunOn("mute,virtual-time");
    EXPECT_EQ(window.messages, std::vector<std::string>{kFunctionMessage});
    EXPECT_EQ(window.identity, "");
}

TEST_F(SimulatedMeterTest, NoSimulationAndNoMeterFindsNothing) {
    RunOn(nullptr);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Find resource manager failed."});
}

TEST_F(SimulatedMeterTest, TruncatedBlockSaysHowManyArrived) {
    RunOn("dcv,instant,truncate=1000");
    // 1000 bytes hold the 8-byte header and 248 whole readings.
    EXPECT_EQ(window.rows.size(), 248u);
    EXPECT_EQ(window.messages,
              std::vector<std::string>{"Only 248 of 50000 readings were received."});
}

}  // namespace
