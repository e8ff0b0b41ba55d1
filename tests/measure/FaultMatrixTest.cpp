// Every VISA call a run makes, made to fail and to time out in turn: the run
// must show the right outcome, log only what it sent, close every session it
// opened exactly once (instrument before resource manager) and give back
// every buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeRunSeams.h"
#include "FaultMatrixLink.h"
#include "TestBlocks.h"
#include "run/MeasurementRun.h"
#include "run/ReadingText.h"
#include "run/RunRecord.h"
#include "support/Journal.h"
#include "support/RecordingWindow.h"
#include "support/RunTexts.h"

namespace {

using Call = FaultMatrixLink::Call;
using Mode = FaultMatrixLink::Mode;

const std::string kIdentity = "ZORVANE TEST,ZV-6500,SN0001,1.02\n";
using RunTexts::kFunctionMessage;
const std::vector<float> kReadings = RampReadings(4);
// "#216", 16 bytes, LF: a read cut at half of it keeps one whole reading.
const std::string kBlock = ReadingBlockBytes(kReadings) + "\n";

// What the window shows at the end of a run.
struct Ending {
    std::vector<std::string> messages;
    bool configured = false;  // the burst commands and "DR?" were logged
    std::string identity;
    std::size_t readings = 0;
};

Ending Completed(const std::string& identity = kIdentity) {
    return {{}, true, identity, kReadings.size()};
}

Ending NotOpened(const std::string& message) {
    return {{message}, false, "", 0};
}

Ending FunctionRejected() {
    return {{kFunctionMessage}, false, kIdentity, 0};
}

Ending ShortBlock(std::size_t received, std::size_t expected) {
    return {{"Only " + std::to_string(received) + " of " + std::to_string(expected) +
             " readings were received."},
            true,
            kIdentity,
            received};
}

// One call of a run and how the run ends when it fails, times out with
// nothing moved, or times out halfway (reads and writes only).
struct CallRow {
    const char* name;
    Call call;
    int occurrence;
    Ending whenFails;
    Ending whenTimesOut;
    Ending whenTimesOutPartway;
};

std::vector<CallRow> CallsOfARun() {
    const Ending rmFailed = NotOpened("Open resource manager failed.");
    const Ending findFailed = NotOpened("Find resource manager failed.");
    const Ending openFailed = NotOpened("Open instrument failed.");
    const Ending noBlock = ShortBlock(0, 50000);
    return {
        {"OpenResourceManager", Call::kOpenDefaultRM, 0, rmFailed, rmFailed, {}},
        {"FindMeter", Call::kFindRsrc, 0, findFailed, findFailed, {}},
        {"OpenMeter", Call::kOpen, 0, openFailed, openFailed, {}},
        {"SetTimeout", Call::kSetAttribute, 0, Completed(), Completed(), {}},
        {"WriteIdentityQuery", Call::kWrite, 0, Completed(""), Completed(""), Completed("")},
        {"ReadIdentity", Call::kRead, 0, Completed(""), Completed(""),
         Completed(kIdentity.substr(0, kIdentity.size() / 2))},
        {"WriteFunctionQuery", Call::kWrite, 1, FunctionRejected(), FunctionRejected(),
         FunctionRejected()},
        {"ReadFunction", Call::kRead, 1, FunctionRejected(), FunctionRejected(),
         FunctionRejected()},
        {"WriteNplc", Call::kWrite, 2, Completed(), Completed(), Completed()},
        {"WriteRange", Call::kWrite, 3, Completed(), Completed(), Completed()},
        {"WriteTriggerDelay", Call::kWrite, 4, Completed(), Completed(), Completed()},
        {"WriteSampleCount", Call::kWrite, 5, Completed(), Completed(), Completed()},
        {"WriteBlockQuery", Call::kWrite, 6, noBlock, noBlock, noBlock},
        {"ReadBlock", Call::kRead, 2, noBlock, noBlock, ShortBlock(1, kReadings.size())},
        {"WriteSampleCountAgain", Call::kWrite, 7, Completed(), Completed(), Completed()},
        {"CloseMeter", Call::kClose, 0, Completed(), Completed(), {}},
        {"CloseResourceManager", Call::kClose, 1, Completed(), Completed(), {}},
    };
}

struct FaultCase {
    std::string name;
    FaultMatrixLink::Fault fault;
    Ending ending;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<FaultCase> FaultCases() {
    std::vector<FaultCase> cases;
    for (const CallRow& row : CallsOfARun()) {
        const std::string name = row.name;
        cases.push_back({name + "Fails", {row.call, row.occurrence, Mode::kFails}, row.whenFails});
        cases.push_back(
            {name + "TimesOut", {row.call, row.occurrence, Mode::kTimesOut}, row.whenTimesOut});
        if (row.call == Call::kWrite || row.call == Call::kRead) {
            cases.push_back({name + "TimesOutPartway",
                             {row.call, row.occurrence, Mode::kTimesOutPartway},
                             row.whenTimesOutPartway});
        }
    }
    return cases;
}

std::vector<std::string> LoggedCommands(const RecordingWindow& window) {
    std::vector<std::string> commands;
    for (const auto& row : window.logRows) {
        commands.push_back(row.second);
    }
    return commands;
}

class FaultMatrixTest : public testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        link.replies["*idn?\n"] = {kIdentity};
        link.replies["FUNC?\n"] = {"\"VOLT\"\n"};
        link.replies["DR?\n"] = {kBlock};
    }

    Journal journal;
    FaultMatrixLink link{journal, GetParam().fault};
    RecordingWindow window{journal};
    FakeRunSeams seams{journal};
    RunRecord record;
};

TEST_P(FaultMatrixTest, EndsClearlyAndReleasesEverything) {
    RunMeasurement(window, record, link, seams.Seams());
    ASSERT_TRUE(link.faultInjected) << "the run never made the call this case breaks";
    const Ending& ending = GetParam().ending;

    EXPECT_EQ(window.messages, ending.messages);
    EXPECT_EQ(LoggedCommands(window),
              ending.configured ? RunTexts::kVoltsCommands : std::vector<std::string>{});
    EXPECT_EQ(window.identity, ending.identity);
    ASSERT_EQ(window.rows.size(), ending.readings);
    for (std::size_t k = 0; k < ending.readings; ++k) {
        EXPECT_EQ(window.rows[k].second, ValueText(kReadings[k])) << "row " << k;
    }
    ExpectRecordKeepsWhatWasShown(record, window);
    EXPECT_EQ(record.Values(),
              std::vector<float>(kReadings.begin(), kReadings.begin() + ending.readings));

    // Closed in the reverse order of opening, each once: instrument, then
    // resource manager.
    const std::vector<ViObject> reverseOpened(link.opened.rbegin(), link.opened.rend());
    EXPECT_EQ(link.closed, reverseOpened);
    EXPECT_TRUE(link.OpenSessions().empty());

    EXPECT_EQ(seams.allocations, seams.releases);
    EXPECT_EQ(seams.BytesHeld(), 0u);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "release of unknown buffer"), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryCall, FaultMatrixTest, testing::ValuesIn(FaultCases()),
                         [](const testing::TestParamInfo<FaultCase>& info) {
                             return info.param.name;
                         });

}  // namespace
