#include "run/MeasurementRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "FakeMeterLink.h"
#include "FakeRunSeams.h"
#include "TestBlocks.h"
#include "run/ReadingText.h"
#include "run/RunRecord.h"
#include "support/Journal.h"
#include "support/RecordingWindow.h"
#include "support/RunTexts.h"

namespace {

const std::string kIdentity = "ZORVANE TEST,ZV-6500,SN0001,1.02\n";  // 33 bytes
using RunTexts::kFunctionMessage;
const std::string kDescriptor = "USB0::0x7A5E::0x0C46::FAKE01::INSTR";
const std::string kExpression = "USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR";

class RunTest : public testing::Test {
protected:
    void SetUp() override {
        link.replies["*idn?\n"] = {kIdentity};
        link.replies["FUNC?\n"] = {"\"VOLT\"\n"};
        link.replies["DR?\n"] = {ReadingBlockBytes({1.5f, -1.5f})};
    }

    void Run() { RunMeasurement(window, record, link, seams.Seams()); }

    void ExpectEverythingReleased() const {
        EXPECT_TRUE(link.OpenSessions().empty());
        EXPECT_EQ(seams.allocations, seams.releases);
        EXPECT_EQ(seams.BytesHeld(), 0u);
    }

    Journal journal;
    FakeMeterLink link{journal};
    RecordingWindow window{journal};
    FakeRunSeams seams{journal};
    RunRecord record;
};

void Append(Journal& journal, const Journal& lines) {
    journal.insert(journal.end(), lines.begin(), lines.end());
}

// Where the numbers of a run differ when another run went before it.
struct RunNumbers {
    ViSession rm = 1;
    ViSession instr = 2;
    int firstSecond = 1;  // of the fake time of day
    long long startMs = 1000;
};

std::string S(ViSession session) {
    return std::to_string(session);
}

Journal OpenedMeterLines(const RunNumbers& n) {
    return {"ResetCommandLog", "OpenDefaultRM " + S(n.rm),
            "FindRsrc " + S(n.rm) + " " + kExpression,
            "Open " + S(n.rm) + " " + kDescriptor + " -> " + S(n.instr),
            "SetAttribute " + S(n.instr) + " " + std::to_string(VI_ATTR_TMO_VALUE) + " 7000"};
}

Journal QueryLines(const RunNumbers& n, std::size_t functionReplySize) {
    return {"allocate 20",
            "allocate 210000",
            "Write " + S(n.instr) + " *idn?\\n (6)",
            "Read " + S(n.instr) + " max 60 -> " + std::to_string(kIdentity.size()),
            "ShowIdentity " + Printable(kIdentity),
            "Write " + S(n.instr) + " FUNC?\\n (6)",
            "Read " + S(n.instr) + " max 20 -> " + std::to_string(functionReplySize)};
}

std::string Time(int second) {
    char text[32];
    std::snprintf(text, sizeof text, "10:00:%02d", second);
    return text;
}

// The whole journal of a run that measures the default two-reading block.
Journal SuccessLines(const RunNumbers& n) {
    Journal lines = OpenedMeterLines(n);
    Append(lines, QueryLines(n, 7));
    const char* config[][2] = {{"VOLT:NPLC 0.001\\n", "16"},
                               {"VOLT:RANGE:AUTO 0\\n", "18"},
                               {"TRIGGER:DELAY 0\\n", "16"},
                               {"SAMPLE:COUNT 50000\\n", "19"}};
    int second = n.firstSecond;
    for (const auto& command : config) {
        Append(lines, {"Write " + S(n.instr) + " " + command[0] + " (" + command[1] + ")",
                       "time " + Time(second), "AddLogRow " + Time(second) + " " + command[0]});
        ++second;
    }
    Append(lines, {"time " + Time(second), "AddLogRow " + Time(second) + " DR?\\n", "PumpMessages",
                   "elapsed " + std::to_string(n.startMs), "Write " + S(n.instr) + " DR?\\n (4)",
                   "Read " + S(n.instr) + " max 210000 -> 11",
                   "elapsed " + std::to_string(n.startMs + 123),
                   "ShowTotalTime Total time of measurement : 123 ms", "PumpMessages",
                   "Write " + S(n.instr) + " SAMPLE:COUNT 50000\\n (19)", "WriteReadingsHeader",
                   "PumpMessages", "WriteReadingRow 0 0 1.500000", "PumpMessages",
                   "WriteReadingRow 1 1 -1.500000", "release 20", "release 210000",
                   "Close " + S(n.instr), "Close " + S(n.rm)});
    return lines;
}

TEST_F(RunTest, SuccessfulRunMakesExactlyTheseCallsInThisOrder) {
    Run();
    EXPECT_EQ(journal, SuccessLines(RunNumbers{}));
    EXPECT_TRUE(window.messages.empty());
    ExpectEverythingReleased();
    ExpectRecordKeepsWhatWasShown(record, window);
    EXPECT_EQ(record.TotalTimeMs(), 123);
    EXPECT_EQ(record.RunOutcome(), RunRecord::Outcome::kComplete);
}

// Texts keep six decimals; the record keeps every bit the meter sent.
TEST_F(RunTest, RecordKeepsTheDecodedNumbersNotTheirRoundedTexts) {
    const std::vector<float> values = {1.0e-7f, std::nextafter(1.5f, 2.0f), -123456.789f, -0.0f};
    link.replies["DR?\n"] = {ReadingBlockBytes(values)};
    Run();
    ExpectRecordKeepsWhatWasShown(record, window);
    ASSERT_EQ(record.Values().size(), values.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        EXPECT_EQ(FloatBytes(record.Values()[k]), FloatBytes(values[k])) << "reading " << k;
        EXPECT_EQ(record.ValueText(k), ValueText(values[k]));
    }
    EXPECT_EQ(record.ValueText(0), "0.000000");
}

struct EndingCase {
    const char* name;
    std::function<void(FakeMeterLink&, FakeRunSeams&)> script;
    std::string message;
    Journal journal;
};

Journal Join(Journal first, const Journal& second) {
    Append(first, second);
    return first;
}

std::vector<EndingCase> EndingCases() {
    const RunNumbers n;
    const Journal opened = OpenedMeterLines(n);
    const Journal rejectedTail = {"ShowMessage " + Printable(kFunctionMessage), "Close 2",
                                  "Close 1", "release 20", "release 210000"};
    auto rejectFunction = [&](const char* name, const std::string& reply) {
        return EndingCase{
            name,
            [reply](FakeMeterLink& link, FakeRunSeams&) { link.replies["FUNC?\n"] = {reply}; },
            kFunctionMessage, Join(Join(opened, QueryLines(n, reply.size())), rejectedTail)};
    };
    return {
        {"ResourceManagerFails",
         [](FakeMeterLink& link, FakeRunSeams&) { link.openRmStatus = VI_ERROR_SYSTEM_ERROR; },
         "Open resource manager failed.",
         {"ResetCommandLog", "OpenDefaultRM failed", "ShowMessage Open resource manager failed."}},
        {"FindFails",
         [](FakeMeterLink& link, FakeRunSeams&) { link.findStatus = VI_ERROR_RSRC_NFOUND; },
         "Find resource manager failed.",
         {"ResetCommandLog", "OpenDefaultRM 1", "FindRsrc 1 " + kExpression, "Close 1",
          "ShowMessage Find resource manager failed."}},
        {"OpenFails",
         [](FakeMeterLink& link, FakeRunSeams&) { link.openStatus = VI_ERROR_RSRC_BUSY; },
         "Open instrument failed.",
         {"ResetCommandLog", "OpenDefaultRM 1", "FindRsrc 1 " + kExpression,
          "Open 1 " + kDescriptor + " failed", "ShowMessage Open instrument failed.", "Close 1"}},
        {"CommandBufferFails",
         [](FakeMeterLink&, FakeRunSeams& seams) { seams.failAllocationOfSize = 20; },
         "Insufficient memory available (viWrite).",
         Join(opened, {"allocate 20 failed", "ShowMessage Insufficient memory available (viWrite).",
                       "Close 2", "Close 1"})},
        {"ReceiveBufferFails",
         [](FakeMeterLink&, FakeRunSeams& seams) { seams.failAllocationOfSize = 210000; },
         "Insufficient memory available (viRead).",
         Join(opened, {"allocate 20", "allocate 210000 failed",
                       "ShowMessage Insufficient memory available (viRead).", "Close 2", "Close 1",
                       "release 20"})},
        rejectFunction("AcVoltsRejected", "\"VOLT:AC\"\n"),
        rejectFunction("NoFunctionReply", ""),
        rejectFunction("VoltAtPositionZeroRejected", "VOLT\"\n"),
        rejectFunction("LowerCaseRejected", "\"volt\"\n"),
    };
}

void PrintTo(const EndingCase& c, std::ostream* os) {
    *os << c.name;
}

class RunEndingTest : public RunTest, public testing::WithParamInterface<EndingCase> {};

TEST_P(RunEndingTest, ShowsItsMessageAndReleasesEverythingInOrder) {
    GetParam().script(link, seams);
    Run();
    EXPECT_EQ(journal, GetParam().journal);
    EXPECT_EQ(window.messages, std::vector<std::string>{GetParam().message});
    ExpectEverythingReleased();
    ExpectRecordKeepsWhatWasShown(record, window);
    EXPECT_EQ(record.RunOutcome(), RunRecord::Outcome::kStoppedBeforeReadings);
}

INSTANTIATE_TEST_SUITE_P(Endings, RunEndingTest, testing::ValuesIn(EndingCases()),
                         [](const testing::TestParamInfo<EndingCase>& info) {
                             return std::string(info.param.name);
                         });

struct FunctionCase {
    const char* name;
    std::string reply;
    std::string prefix;  // empty: rejected
};

void PrintTo(const FunctionCase& c, std::ostream* os) {
    *os << c.name;
}

class FunctionPrefixTest : public RunTest, public testing::WithParamInterface<FunctionCase> {};

TEST_P(FunctionPrefixTest, PicksPrefixFromFirstQuotedNameAfterTheStart) {
    link.replies["FUNC?\n"] = {GetParam().reply};
    Run();
    const std::string& prefix = GetParam().prefix;
    if (prefix.empty()) {
        EXPECT_EQ(window.messages, std::vector<std::string>{kFunctionMessage});
        EXPECT_EQ(link.writes.size(), 2u);
    } else {
        EXPECT_TRUE(window.messages.empty());
        ASSERT_GE(link.writes.size(), 4u);
        EXPECT_EQ(link.writes[2], prefix + "NPLC 0.001\n");
        EXPECT_EQ(link.writes[3], prefix + "RANGE:AUTO 0\n");
    }
    ExpectEverythingReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FunctionPrefixTest,
    testing::Values(
        FunctionCase{"Volt", "\"VOLT\"\n", "VOLT:"}, FunctionCase{"Curr", "\"CURR\"\n", "CURR:"},
        FunctionCase{"VoltAtOneWithoutQuoteBefore", "xVOLT\"", "VOLT:"},
        FunctionCase{"VoltFirstWins", "\"VOLT\"CURR\"", "VOLT:"},
        FunctionCase{"VoltAtZeroThenCurr", "VOLT\"CURR\"", "CURR:"},
        FunctionCase{"VoltAtZeroOnly", "VOLT\"", ""}, FunctionCase{"AcVolts", "\"VOLT:AC\"\n", ""},
        FunctionCase{"AcCurrent", "\"CURR:AC\"\n", ""}, FunctionCase{"Resistance", "\"RES\"\n", ""},
        FunctionCase{"LowerCase", "\"curr\"\n", ""},
        FunctionCase{"BeyondTwentyBytes", std::string(20, ' ') + "\"VOLT\"\n", ""},
        FunctionCase{"CutByZeroByte", std::string("\"\0VOLT\"\n", 8), ""}),
    [](const testing::TestParamInfo<FunctionCase>& info) { return std::string(info.param.name); });

TEST_F(RunTest, CurrentPrefixGoesIntoTheCommandsAndTheLog) {
    link.replies["FUNC?\n"] = {"\"CURR\"\n"};
    Run();
    const std::vector<std::string> writes = {"*idn?\n",
                                             "FUNC?\n",
                                             "CURR:NPLC 0.001\n",
                                             "CURR:RANGE:AUTO 0\n",
                                             "TRIGGER:DELAY 0\n",
                                             "SAMPLE:COUNT 50000\n",
                                             "DR?\n",
                                             "SAMPLE:COUNT 50000\n"};
    EXPECT_EQ(link.writes, writes);
    const std::vector<std::pair<std::string, std::string>> log = {
        {"10:00:01", "CURR:NPLC 0.001\n"},
        {"10:00:02", "CURR:RANGE:AUTO 0\n"},
        {"10:00:03", "TRIGGER:DELAY 0\n"},
        {"10:00:04", "SAMPLE:COUNT 50000\n"},
        {"10:00:05", "DR?\n"}};
    EXPECT_EQ(window.logRows, log);
}

struct IdentityCase {
    const char* name;
    std::string reply;
    ViUInt32 overclaimBy;
    std::string identity;
};

void PrintTo(const IdentityCase& c, std::ostream* os) {
    *os << c.name;
}

class IdentityTest : public RunTest, public testing::WithParamInterface<IdentityCase> {};

TEST_P(IdentityTest, ShowsDeliveredTextUpToZeroByte) {
    link.replies["*idn?\n"] = {GetParam().reply};
    link.overclaimBy = GetParam().overclaimBy;
    Run();
    EXPECT_EQ(window.identity, GetParam().identity);
}

const std::string kLongIdentity =
    "ZORVANE TEST,ZV-6500,SN0001,1.02 built with a very long firmware tag\n";  // 69 bytes

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentityTest,
    testing::Values(
        IdentityCase{"WithLineFeed", kIdentity, 0, kIdentity},
        IdentityCase{"CutAtSixtyBytes", kLongIdentity, 0, kLongIdentity.substr(0, 60)},
        IdentityCase{"ExactlySixty", std::string(59, 'A') + "\n", 0, std::string(59, 'A') + "\n"},
        IdentityCase{"ZeroByteEndsText", std::string("ZV\0-6500\n", 9), 0, "ZV"},
        IdentityCase{"ZeroByteFirst", std::string("\0ZV\n", 4), 0, ""},
        IdentityCase{"NoReply", "", 0, ""},
        IdentityCase{"LinkClaimsMoreThanAsked", kLongIdentity, 1000, kLongIdentity.substr(0, 60)}),
    [](const testing::TestParamInfo<IdentityCase>& info) { return std::string(info.param.name); });

TEST_F(RunTest, SecondSampleCountIsSentButNotLogged) {
    Run();
    ASSERT_EQ(link.writes.size(), 8u);
    EXPECT_EQ(link.writes[5], "SAMPLE:COUNT 50000\n");
    EXPECT_EQ(link.writes[7], "SAMPLE:COUNT 50000\n");
    ASSERT_EQ(window.logRows.size(), 5u);
    EXPECT_EQ(window.logRows[3].second, "SAMPLE:COUNT 50000\n");
    EXPECT_EQ(window.logRows[4].second, "DR?\n");
}

TEST_F(RunTest, TotalTimeIsTheClockDifferenceAroundTheBlock) {
    seams.elapsedStartMs = 987654321;
    seams.elapsedStepMs = 2047;
    Run();
    EXPECT_EQ(window.totalTime, "Total time of measurement : 2047 ms");
}

TEST_F(RunTest, ShortBlockShowsHowManyArrivedAfterTheRows) {
    link.replies["DR?\n"] = {BlockWithHeader("#216", {2.5f, -0.25f}) + "\x01\x02", VI_ERROR_TMO};
    Run();
    const std::vector<std::pair<std::string, std::string>> rows = {{"0", "2.500000"},
                                                                   {"1", "-0.250000"}};
    EXPECT_EQ(window.rows, rows);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Only 2 of 4 readings were received."});
    const Journal tail(journal.end() - 6, journal.end());
    const Journal expectedTail = {"WriteReadingRow 1 1 -0.250000",
                                  "ShowMessage Only 2 of 4 readings were received.",
                                  "release 20",
                                  "release 210000",
                                  "Close 2",
                                  "Close 1"};
    EXPECT_EQ(tail, expectedTail);
}

TEST_F(RunTest, SilentMeterAfterDrGivesHeaderAndNoRows) {
    link.replies.erase("DR?\n");
    Run();
    EXPECT_EQ(window.totalTime, "Total time of measurement : 123 ms");
    EXPECT_TRUE(window.rows.empty());
    // No block at all: the whole burst the run asked for is reported missing.
    EXPECT_EQ(window.messages, std::vector<std::string>{"Only 0 of 50000 readings were received."});
    EXPECT_NE(std::find(journal.begin(), journal.end(), "WriteReadingsHeader"), journal.end());
    ExpectEverythingReleased();
}

struct BurstCase {
    const char* name;
    std::size_t sent;      // readings the meter sends
    std::size_t received;  // readings that fit the receive buffer
};

void PrintTo(const BurstCase& c, std::ostream* os) {
    *os << c.name;
}

class BurstTest : public RunTest, public testing::WithParamInterface<BurstCase> {};

TEST_P(BurstTest, PassesEveryReceivedReadingInOrder) {
    const std::vector<float> values = RampReadings(GetParam().sent);
    link.replies["DR?\n"] = {ReadingBlockBytes(values)};
    Run();
    const std::size_t received = GetParam().received;
    ASSERT_EQ(window.rows.size(), received);
    for (std::size_t k = 0; k < received; ++k) {
        ASSERT_EQ(window.rowNumbers[k], static_cast<int>(k));
        ASSERT_EQ(window.rows[k].first, std::to_string(k));
    }
    char last[32];
    std::snprintf(last, sizeof last, "%f", static_cast<double>(values[received - 1]));
    EXPECT_EQ(window.rows.front().second, "-100.000000");
    EXPECT_EQ(window.rows.back().second, last);
    if (received < GetParam().sent) {
        EXPECT_EQ(
            window.messages,
            std::vector<std::string>{"Only " + std::to_string(received) + " of " +
                                     std::to_string(GetParam().sent) + " readings were received."});
    } else {
        EXPECT_TRUE(window.messages.empty());
    }
    EXPECT_EQ(window.pumps, static_cast<int>(received) + 2);
    ExpectEverythingReleased();
    ExpectRecordKeepsWhatWasShown(record, window);
    EXPECT_EQ(record.Values(), std::vector<float>(values.begin(), values.begin() + received));
}

INSTANTIATE_TEST_SUITE_P(Sizes, BurstTest,
                         testing::Values(BurstCase{"FullBurst", 50000, 50000},
                                         BurstCase{"MoreThanFiftyThousand", 52000, 52000},
                                         // (210000 - 8 header bytes) / 4
                                         BurstCase{"LargerThanReceiveBuffer", 60000, 52498}),
                         [](const testing::TestParamInfo<BurstCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(RunTest, RunStartedDuringTheFirstDrainCompletesBeforeTheFirstGoesOn) {
    RunRecord inner;
    window.onFirstPump = [&] { RunMeasurement(window, inner, link, seams.Seams()); };
    Run();

    // The first run reads the elapsed clock only after the second run read it
    // twice; the second numbers its sessions and times after the first.
    const Journal outer = SuccessLines(RunNumbers{1, 2, 1, 1000 + 2 * 123});
    const auto firstPump = std::find(outer.begin(), outer.end(), "PumpMessages") + 1;
    Journal expected(outer.begin(), firstPump);
    Append(expected, SuccessLines(RunNumbers{3, 4, 6, 1000}));
    expected.insert(expected.end(), firstPump, outer.end());
    EXPECT_EQ(journal, expected);
    ExpectEverythingReleased();
    // Each run keeps only what it showed itself.
    for (const RunRecord* run : {&record, &inner}) {
        EXPECT_EQ(run->LogRows().size(), 5u);
        EXPECT_EQ(run->Values(), (std::vector<float>{1.5f, -1.5f}));
    }
    EXPECT_EQ(record.LogRows().front().timeText, "10:00:01");
    EXPECT_EQ(inner.LogRows().front().timeText, "10:00:06");
}

}  // namespace
