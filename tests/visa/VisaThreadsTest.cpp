// The calls from several threads: what ends a call in progress, how long a
// call waits behind another session's, and locks taken meanwhile.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "VisaTestSession.h"
#include "api/OpenDevices.h"
#include "base/ResourceName.h"
#include "base/VirtualClock.h"
#include "sim/SimRegistry.h"
#include "visa.h"

namespace {

constexpr const char* kMeter = "USB0::0x7A5E::0x0C46::SIM0001::INSTR";
// Bounds a wait for another thread, far beyond what any of them needs.
constexpr std::chrono::seconds kLongEnough{10};

class VisaThreadsTest : public testing::Test {
protected:
    void TearDown() override {
        if (rm != VI_NULL) {
            viClose(rm);
        }
        for (auto& call : background) {
            call.wait();
        }
    }

    // The manager comes with the first session, after the test set ZVISA_SIM.
    ViSession Open(ViUInt32 timeoutMs = VI_TMO_INFINITE) {
        if (rm == VI_NULL) {
            EXPECT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
        }
        ViSession vi = VI_NULL;
        EXPECT_EQ(viOpen(rm, kMeter, VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, timeoutMs), VI_SUCCESS);
        return vi;
    }

    std::shared_ptr<zvisa::sim::SimMeter> Meter() {
        return zvisa::sim::SimRegistry::Global().FindMeter(kMeter);
    }

    // Waits until `count` calls wait for the device or a lock.
    bool AwaitWaitingCalls(int count) {
        const auto device =
            zvisa::OpenDevices::Global().Find(zvisa::ResourceName::Parse(kMeter)->Key());
        const auto giveUp = std::chrono::steady_clock::now() + kLongEnough;
        while (device && device->CallsWaiting() < count) {
            if (std::chrono::steady_clock::now() > giveUp) {
                return false;
            }
            std::this_thread::yield();
        }
        return device != nullptr;
    }

    // A read on the mute meter that only an end from outside stops; returns
    // once it waits for the reply.
    void BlockInRead(ViSession vi) {
        ASSERT_EQ(WriteText(vi, "FUNC?\n"), VI_SUCCESS);
        background.push_back(
            std::async(std::launch::async, [vi] { return ReadText(vi, 8).status; }));
        ASSERT_TRUE(Meter()->AwaitBlockedBulkIn(kLongEnough));
    }

    ViSession rm = VI_NULL;
    std::vector<std::future<ViStatus>> background;
};

ViStatus Status(std::future<ViStatus>& call) {
    if (call.wait_for(kLongEnough) != std::future_status::ready) {
        ADD_FAILURE() << "the call did not end";
        return VI_SUCCESS;
    }
    return call.get();
}

// Where a call of session `vi` is when it is ended: in its own transfer,
// waiting behind another session's transfer, or waiting for a lock.
enum class Place { kInTransfer, kBehindTransfer, kInLockWait };
// What ends it.
enum class End { kTerminate, kCloseSession, kCloseManager };

const char* Name(Place place) {
    switch (place) {
        case Place::kInTransfer:
            return "InTransfer";
        case Place::kBehindTransfer:
            return "BehindTransfer";
        case Place::kInLockWait:
            return "InLockWait";
    }
    return "?";
}

const char* Name(End end) {
    switch (end) {
        case End::kTerminate:
            return "Terminate";
        case End::kCloseSession:
            return "CloseSession";
        case End::kCloseManager:
            return "CloseManager";
    }
    return "?";
}

void PrintTo(Place place, std::ostream* os) {
    *os << Name(place);
}

void PrintTo(End end, std::ostream* os) {
    *os << Name(end);
}

class VisaCallEndTest : public VisaThreadsTest,
                        public testing::WithParamInterface<std::tuple<Place, End>> {};

TEST_P(VisaCallEndTest, EndsTheCallWithAbortAndFreesTheDevice) {
    ScopedSimulation sim("mute");
    const auto [place, end] = GetParam();
    const ViSession vi = Open();
    const ViSession other = Open();
    std::future<ViStatus> call;
    if (place == Place::kInTransfer) {
        ASSERT_EQ(WriteText(vi, "FUNC?\n"), VI_SUCCESS);
        call = std::async(std::launch::async, [vi] { return ReadText(vi, 8).status; });
        ASSERT_TRUE(Meter()->AwaitBlockedBulkIn(kLongEnough));
    } else if (place == Place::kBehindTransfer) {
        BlockInRead(other);
        call = std::async(std::launch::async, [vi] { return WriteText(vi, "*IDN?\n"); });
        ASSERT_TRUE(AwaitWaitingCalls(1));
    } else {
        ASSERT_EQ(viLock(other, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
        call = std::async(std::launch::async, [vi] {
            return viLock(vi, VI_EXCLUSIVE_LOCK, VI_TMO_INFINITE, nullptr, nullptr);
        });
        ASSERT_TRUE(AwaitWaitingCalls(1));
    }

    if (end == End::kTerminate) {
        EXPECT_EQ(viTerminate(vi, VI_NULL, VI_NULL), VI_SUCCESS);
    } else if (end == End::kCloseSession) {
        EXPECT_EQ(viClose(vi), VI_SUCCESS);
    } else {
        EXPECT_EQ(viClose(rm), VI_SUCCESS);
        rm = VI_NULL;
    }
    EXPECT_EQ(Status(call), VI_ERROR_ABORT);

    viTerminate(other, VI_NULL, VI_NULL);
    viUnlock(other);
    for (auto& blocked : background) {
        EXPECT_EQ(Status(blocked), VI_ERROR_ABORT);
    }
    background.clear();
    if (end == End::kTerminate) {
        EXPECT_EQ(WriteText(vi, "*IDN?\n"), VI_SUCCESS);  // the session goes on
    } else if (end == End::kCloseSession) {
        EXPECT_EQ(WriteText(other, "*IDN?\n"), VI_SUCCESS);  // the device is free
    } else {
        EXPECT_EQ(Meter()->OpenTransportCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryPlaceEveryEnd, VisaCallEndTest,
    testing::Combine(testing::Values(Place::kInTransfer, Place::kBehindTransfer,
                                     Place::kInLockWait),
                     testing::Values(End::kTerminate, End::kCloseSession, End::kCloseManager)),
    [](const testing::TestParamInfo<std::tuple<Place, End>>& info) {
        return std::string(Name(std::get<0>(info.param))) + "By" + Name(std::get<1>(info.param));
    });

TEST_F(VisaThreadsTest, TerminateChecksItsArgumentsAndMayFindNothingToEnd) {
    ScopedSimulation sim("dcv,instant");
    const ViSession vi = Open(1000);
    EXPECT_EQ(viTerminate(vi, 1, VI_NULL), VI_ERROR_INV_DEGREE);
    EXPECT_EQ(viTerminate(vi, VI_NULL, 7), VI_ERROR_INV_JOB_ID);
    EXPECT_EQ(viTerminate(rm, VI_NULL, VI_NULL), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viTerminate(0x7FFFFFF0, VI_NULL, VI_NULL), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viTerminate(vi, VI_NULL, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(WriteText(vi, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(ReadText(vi, 100).status, VI_SUCCESS);
}

// The device's transfer is aborted too: the next query gets its own reply.
TEST_F(VisaThreadsTest, TerminateAbortsTheTransferSoTheNextQueryIsClean) {
    ScopedSimulation sim("dcv");
    const ViSession vi = Open();
    ASSERT_EQ(WriteText(vi, "SAMPLE:COUNT 50000\n"), VI_SUCCESS);
    ASSERT_EQ(WriteText(vi, "DR?\n"), VI_SUCCESS);
    std::future<ViStatus> read =
        std::async(std::launch::async, [vi] { return ReadText(vi, 300000).status; });
    ASSERT_TRUE(Meter()->AwaitBlockedBulkIn(kLongEnough));  // the burst takes a second
    EXPECT_EQ(viTerminate(vi, VI_NULL, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(Status(read), VI_ERROR_ABORT);
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 2000), VI_SUCCESS);
    ASSERT_EQ(WriteText(vi, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(ReadText(vi, 100).data, "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");
}

// Each call behind another session's endless read gives up after its own
// timeout, whatever the other session's is.
TEST_F(VisaThreadsTest, ACallBehindAnotherSessionsTransferWaitsItsOwnTimeout) {
    ScopedSimulation sim("mute");
    const ViSession reader = Open();
    const ViSession waiter = Open(50);
    BlockInRead(reader);
    EXPECT_EQ(WriteText(waiter, "*IDN?\n"), VI_ERROR_TMO);
    EXPECT_EQ(ReadText(waiter, 8).status, VI_ERROR_TMO);
    EXPECT_EQ(viClear(waiter), VI_ERROR_TMO);
    ViUInt16 statusByte = 0;
    EXPECT_EQ(viReadSTB(waiter, &statusByte), VI_ERROR_TMO);
}

// Another session's lock refuses at once, even with an endless timeout, and a
// lock taken while a call waits for the device keeps that call out.
TEST_F(VisaThreadsTest, ALockKeepsOutCallsWaitingAndCallsToCome) {
    ScopedSimulation sim("mute");
    const ViSession reader = Open();
    const ViSession waiter = Open();
    const ViSession locker = Open();
    BlockInRead(reader);
    std::future<ViStatus> write =
        std::async(std::launch::async, [waiter] { return WriteText(waiter, "*IDN?\n"); });
    ASSERT_TRUE(AwaitWaitingCalls(1));
    EXPECT_EQ(viLock(locker, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
    EXPECT_EQ(Status(write), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(ReadText(waiter, 8).status, VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viLock(waiter, VI_EXCLUSIVE_LOCK, 20, nullptr, nullptr), VI_ERROR_TMO);
    viTerminate(reader, VI_NULL, VI_NULL);
}

// An endless read on virtual time waits, rather than running the clock up to
// its end; finite timeouts near the clock's end saturate instead of wrapping.
TEST_F(VisaThreadsTest, VirtualTimeNeitherSpinsNorOverflows) {
    ScopedSimulation sim("mute,virtual-time");
    const ViSession vi = Open();
    auto& clock = dynamic_cast<zvisa::VirtualClock&>(Meter()->TimeSource());
    BlockInRead(vi);
    EXPECT_LT(clock.Elapsed(), std::chrono::seconds(1));
    EXPECT_EQ(viTerminate(vi, VI_NULL, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(Status(background.back()), VI_ERROR_ABORT);
    background.clear();

    clock.Advance(std::chrono::nanoseconds::max());
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE - 1), VI_SUCCESS);
    ASSERT_EQ(WriteText(vi, "FUNC?\n"), VI_SUCCESS);
    EXPECT_EQ(ReadText(vi, 8).status, VI_ERROR_TMO);
    EXPECT_EQ(clock.Now(), zvisa::Clock::TimePoint::max());
}

}  // namespace
