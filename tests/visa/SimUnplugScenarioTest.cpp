// Whole measurement runs through our VISA library while a simulated meter is
// pulled out: before the identity query, while "DR?" is being read, and
// between two runs. Each run must end with a message and no session left
// open on the meter, and the next run must work once it is plugged back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentLink.h"
#include "Journal.h"
#include "MeasurementRun.h"
#include "RecordingWindow.h"
#include "RunRecord.h"
#include "RunSeams.h"
#include "sim/SimMeter.h"
#include "sim/SimRegistry.h"

namespace {

using zvisa::sim::SimMeter;
using zvisa::sim::SimRegistry;

const std::string kFunctionMessage =
    "Please set the function(DCV or DCI).\n And click the \" Measurement\" button ";
const std::string kNoBlockMessage = "Only 0 of 50000 readings were received.";
constexpr std::size_t kBurst = 50000;
constexpr std::size_t kLoggedCommands = 5;

// The real VISA calls, with something done to the meter around one command:
// just before it is written, or from another thread while the read of its
// reply is under way (duringRead waits for that itself).
class HookedLink : public InstrumentLink {
public:
    std::string command;
    std::function<void()> beforeWrite;
    std::function<void()> duringRead;

    ViStatus Write(ViSession instr, const ViByte* data, ViUInt32 count,
                   ViUInt32* retCount) override {
        replyPending_ = std::string(reinterpret_cast<const char*>(data), count) == command;
        if (replyPending_ && beforeWrite) {
            beforeWrite();
        }
        return InstrumentLink::Write(instr, data, count, retCount);
    }

    ViStatus Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount) override {
        if (!replyPending_ || !duringRead) {
            return InstrumentLink::Read(instr, data, count, retCount);
        }
        std::thread meanwhile([this] { duringRead(); });
        const ViStatus status = InstrumentLink::Read(instr, data, count, retCount);
        meanwhile.join();
        return status;
    }

private:
    bool replyPending_ = false;
};

// What one run showed.
struct Shown {
    std::vector<std::string> messages;
    std::string identity;
    std::size_t logRows = 0;
    std::size_t readings = 0;
};

class SimUnplugScenarioTest : public testing::Test {
protected:
    void TearDown() override { unsetenv("ZVISA_SIM"); }

    // One simulated meter at `resource`, fresh for this test.
    std::shared_ptr<SimMeter> OneMeter(const std::string& resource, const std::string& settings) {
        setenv("ZVISA_SIM", (resource + "=" + settings).c_str(), 1);
        SimRegistry::Global().MetersFromEnvironment();
        return SimRegistry::Global().FindMeter(resource);
    }

    Shown Run(InstrumentLink& link) {
        Journal journal;
        RecordingWindow window(journal);
        RunRecord record;
        RunMeasurement(window, record, link, RealRunSeams());
        return {window.messages, window.identity, window.logRows.size(), window.rows.size()};
    }

    void ExpectCompleteRun(const std::shared_ptr<SimMeter>& meter) {
        InstrumentLink link;
        const Shown shown = Run(link);
        EXPECT_TRUE(shown.messages.empty());
        EXPECT_FALSE(shown.identity.empty());
        EXPECT_EQ(shown.logRows, kLoggedCommands);
        EXPECT_EQ(shown.readings, kBurst);
        EXPECT_EQ(meter->OpenTransportCount(), 0);
    }
};

TEST_F(SimUnplugScenarioTest, GoneBeforeTheIdentityQuery) {
    const std::shared_ptr<SimMeter> meter =
        OneMeter("USB0::0x7A5E::0x0C46::GONE01::INSTR", "dcv,instant");
    ASSERT_NE(meter, nullptr);
    HookedLink link;
    link.command = "*idn?\n";
    link.beforeWrite = [&] { meter->SetPlugged(false); };

    const Shown shown = Run(link);
    // Nothing answers, so the function check is what stops the run.
    EXPECT_EQ(shown.messages, std::vector<std::string>{kFunctionMessage});
    EXPECT_EQ(shown.identity, "");
    EXPECT_EQ(shown.logRows, 0u);
    EXPECT_EQ(shown.readings, 0u);
    EXPECT_EQ(meter->OpenTransportCount(), 0);

    meter->SetPlugged(true);
    ExpectCompleteRun(meter);
}

TEST_F(SimUnplugScenarioTest, GoneWhileTheBlockIsRead) {
    // Not instant: the burst takes about a second, and the meter goes during it.
    const std::shared_ptr<SimMeter> meter = OneMeter("USB0::0x7A5E::0x0C46::GONE02::INSTR", "dcv");
    ASSERT_NE(meter, nullptr);
    HookedLink link;
    link.command = "DR?\n";
    // Once the read waits for the block, well inside the one-second burst.
    link.duringRead = [&] {
        EXPECT_TRUE(meter->AwaitBlockedBulkIn(std::chrono::seconds(10)));
        meter->SetPlugged(false);
    };

    const Shown shown = Run(link);
    EXPECT_EQ(shown.messages, std::vector<std::string>{kNoBlockMessage});
    EXPECT_FALSE(shown.identity.empty());
    EXPECT_EQ(shown.logRows, kLoggedCommands);
    EXPECT_EQ(shown.readings, 0u);
    EXPECT_EQ(meter->OpenTransportCount(), 0);

    meter->SetPlugged(true);
    ExpectCompleteRun(meter);
}

TEST_F(SimUnplugScenarioTest, GoneBetweenTwoRuns) {
    const std::shared_ptr<SimMeter> meter =
        OneMeter("USB0::0x7A5E::0x0C47::GONE03::INSTR", "dci,instant");
    ASSERT_NE(meter, nullptr);
    ExpectCompleteRun(meter);

    meter->SetPlugged(false);
    InstrumentLink link;
    const Shown shown = Run(link);
    EXPECT_EQ(shown.messages, std::vector<std::string>{"Find resource manager failed."});
    EXPECT_EQ(shown.logRows, 0u);
    EXPECT_EQ(meter->OpenTransportCount(), 0);

    meter->SetPlugged(true);
    ExpectCompleteRun(meter);
}

}  // namespace
