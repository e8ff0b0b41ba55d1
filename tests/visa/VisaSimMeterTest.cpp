// Conversations with the simulated meter through the seven calls, as the
// measurement run has them.
#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <string>
#include <vector>

#include "VisaTestSession.h"
#include "base/VirtualClock.h"
#include "sim/SimRegistry.h"
#include "visa.h"

namespace {

constexpr const char* kMeterExpression = "USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR";
constexpr const char* kSim0001 = "USB0::0x7A5E::0x0C46::SIM0001::INSTR";
const std::string kIdentity = "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n";
constexpr ViUInt32 kBlockBuffer = 210000;
constexpr std::size_t kBlockSize = 200009;  // "#6200000", 50000 readings, LF

class VisaSimMeterTest : public testing::Test {
protected:
    void Open(const char* simulation) {
        sim_.reset();  // before the next one sets ZVISA_SIM
        sim_ = std::make_unique<ScopedSimulation>(simulation);
        ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
        ViChar desc[VI_FIND_BUFLEN] = {};
        ViFindList list = VI_NULL;
        ViUInt32 count = 0;
        ASSERT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_SUCCESS);
        ASSERT_EQ(viOpen(rm, desc, VI_NO_LOCK, 0, &vi), VI_SUCCESS);
    }

    ReadResult Query(const std::string& command, ViUInt32 count) {
        EXPECT_EQ(WriteText(vi, command), VI_SUCCESS) << command;
        return ReadText(vi, count);
    }

    void ConfigureBurst() {
        for (const char* command : {"VOLT:NPLC 0.001\n", "VOLT:RANGE:AUTO 0\n", "TRIGGER:DELAY 0\n",
                                    "SAMPLE:COUNT 50000\n"}) {
            ASSERT_EQ(WriteText(vi, command), VI_SUCCESS);
        }
    }

    void TearDown() override {
        if (rm != VI_NULL) {
            EXPECT_EQ(viClose(rm), VI_SUCCESS);
        }
    }

    std::unique_ptr<ScopedSimulation> sim_;
    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
};

TEST_F(VisaSimMeterTest, IdentifiesItself) {
    Open("dcv");
    const ReadResult reply = Query("*idn?\n", 60);
    EXPECT_EQ(reply.status, VI_SUCCESS);
    EXPECT_EQ(reply.data, kIdentity);
}

TEST_F(VisaSimMeterTest, ReportsTheFunctionOfEachProfile) {
    const std::pair<const char*, const char*> kProfiles[] = {
        {"dcv", "\"VOLT\"\n"}, {"dci", "\"CURR\"\n"}, {"acv", "\"VOLT:AC\"\n"}};
    for (const auto& [profile, function] : kProfiles) {
        Open(profile);
        const ReadResult reply = Query("FUNC?\n", 20);
        EXPECT_EQ(reply.status, VI_SUCCESS) << profile;
        EXPECT_EQ(reply.data, function) << profile;
        EXPECT_EQ(viClose(rm), VI_SUCCESS);
        rm = VI_NULL;
    }
}

TEST_F(VisaSimMeterTest, BurstBlockArrivesInOneRead) {
    Open("dcv,instant");
    ConfigureBurst();
    const ReadResult block = Query("DR?\n", kBlockBuffer);
    EXPECT_EQ(block.status, VI_SUCCESS);
    ASSERT_EQ(block.data.size(), kBlockSize);
    EXPECT_EQ(block.data.substr(0, 8), "#6200000");
    EXPECT_EQ(block.data.back(), '\n');
}

// What the program does on a real meter: the block comes once the burst
// has been measured, 50000 readings 20 us apart, 1 s later (on virtual time).
TEST_F(VisaSimMeterTest, BurstWaitsForTheAcquisition) {
    Open("dcv,virtual-time");
    const auto& clock = dynamic_cast<zvisa::VirtualClock&>(
        zvisa::sim::SimRegistry::Global().FindMeter(kSim0001)->TimeSource());
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 7000), VI_SUCCESS);
    ConfigureBurst();
    const std::chrono::milliseconds before = clock.Elapsed();
    const ReadResult block = Query("DR?\n", kBlockBuffer);
    EXPECT_EQ(block.status, VI_SUCCESS);
    EXPECT_EQ(block.data.size(), kBlockSize);
    EXPECT_EQ(clock.Elapsed() - before, std::chrono::seconds(1));
}

TEST_F(VisaSimMeterTest, ShortReadLeavesTheRestReadable) {
    Open("dcv");
    const ReadResult head = Query("*IDN?\n", 5);
    EXPECT_EQ(head.status, VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(head.data, kIdentity.substr(0, 5));
    const ReadResult rest = ReadText(vi, 100);
    EXPECT_EQ(rest.status, VI_SUCCESS);
    EXPECT_EQ(rest.data, kIdentity.substr(5));
}

// Counts around the 512-byte packet and on the 12-byte header: each read
// stops at its count and leaves the bytes after it alone.
TEST_F(VisaSimMeterTest, BurstReadInPiecesNeverWritesPastTheCount) {
    constexpr ViByte kCanary = 0xA5;
    constexpr std::size_t kGuard = 64;
    const ViUInt32 kCounts[] = {1, 11, 12, 500, 511, 512, 513, 1024, 4096, 65536};
    Open("dcv,instant");
    ConfigureBurst();
    ASSERT_EQ(WriteText(vi, "DR?\n"), VI_SUCCESS);
    std::string block;
    ViStatus status = VI_SUCCESS_MAX_CNT;
    for (std::size_t i = 0; status == VI_SUCCESS_MAX_CNT && block.size() <= kBlockSize; ++i) {
        const ViUInt32 count = kCounts[i % std::size(kCounts)];
        std::vector<ViByte> buffer(count + kGuard, kCanary);
        ViUInt32 got = 0;
        status = viRead(vi, buffer.data(), count, &got);
        ASSERT_LE(got, count);
        for (std::size_t at = count; at < buffer.size(); ++at) {
            ASSERT_EQ(buffer[at], kCanary) << "read of " << count << " wrote byte " << at;
        }
        if (status == VI_SUCCESS_MAX_CNT) {
            ASSERT_EQ(got, count);
        }
        block.append(buffer.begin(), buffer.begin() + got);
    }
    EXPECT_EQ(status, VI_SUCCESS);
    ASSERT_EQ(block.size(), kBlockSize);
    EXPECT_EQ(block.substr(0, 8), "#6200000");
    EXPECT_EQ(block.back(), '\n');
}

TEST_F(VisaSimMeterTest, NewCommandDiscardsUnreadOutput) {
    Open("dcv");
    EXPECT_EQ(Query("*IDN?\n", 5).status, VI_SUCCESS_MAX_CNT);
    const ReadResult function = Query("FUNC?\n", 100);
    EXPECT_EQ(function.status, VI_SUCCESS);
    EXPECT_EQ(function.data, "\"VOLT\"\n");
}

TEST_F(VisaSimMeterTest, TruncatedBurstEndsEarly) {
    Open("dcv,instant,truncate=1000");
    ConfigureBurst();
    const ReadResult block = Query("DR?\n", kBlockBuffer);
    EXPECT_EQ(block.status, VI_SUCCESS);
    ASSERT_EQ(block.data.size(), 1000u);
    EXPECT_EQ(block.data.substr(0, 8), "#6200000");
}

// The run's 7 s timeout, on the meter's virtual time: the read gives up
// when the whole timeout has passed there, and the abort that follows is
// answered at once.
TEST_F(VisaSimMeterTest, MuteMeterTimesOut) {
    constexpr std::chrono::milliseconds kTimeout{7000};
    Open("mute,virtual-time");
    auto& clock = dynamic_cast<zvisa::VirtualClock&>(
        zvisa::sim::SimRegistry::Global().FindMeter(kSim0001)->TimeSource());
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, kTimeout.count()), VI_SUCCESS);
    const ReadResult reply = Query("FUNC?\n", 20);
    EXPECT_EQ(reply.status, VI_ERROR_TMO);
    EXPECT_TRUE(reply.data.empty());
    EXPECT_EQ(clock.Elapsed(), kTimeout);
    // The abort after the timeout leaves the session usable.
    EXPECT_EQ(Query("*IDN?\n", 20).status, VI_ERROR_TMO);
    EXPECT_EQ(clock.Elapsed(), 2 * kTimeout);
}

// The USB488 side: the status byte shows a waiting reply, a clear drops
// it, a trigger is taken, and the meter ends a transfer on TermChar.
TEST_F(VisaSimMeterTest, AnswersTheUsb488Requests) {
    Open("dcv,instant");
    ViUInt16 status = 0xFFFF;
    ASSERT_EQ(viReadSTB(vi, &status), VI_SUCCESS);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(WriteText(vi, "*idn?\n"), VI_SUCCESS);
    ASSERT_EQ(viReadSTB(vi, &status), VI_SUCCESS);
    EXPECT_EQ(status, 0x10);  // message available
    ASSERT_EQ(viClear(vi), VI_SUCCESS);
    ASSERT_EQ(viReadSTB(vi, &status), VI_SUCCESS);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(viAssertTrigger(vi, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);

    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    const ReadResult maker = Query("*idn?\n", 60);
    EXPECT_EQ(maker.status, VI_SUCCESS_TERM_CHAR);
    EXPECT_EQ(maker.data, "ZORVANE SIM,");
    EXPECT_EQ(ReadText(vi, 60).data, "DMM-SIM,");
}

}  // namespace
