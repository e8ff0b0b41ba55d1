// zorvane-share's server in this process, on simulated meters the tests unplug, through a VXI-11
// client written on the wire layer: device names, reads in pieces, joined writes, bad calls,
// locks between links, abort, vanished clients, unplugged meters and bounds.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <future>
#include <thread>

#include "Vxi11TestClient.h"
#include "instrument/InstrumentLink.h"
#include "share/ShareServer.h"
#include "sim/SimRegistry.h"
#include "support/NetworkNamespace.h"
#include "vxi11/RecordMarking.h"

using namespace zvisa::vxi11;
using namespace std::chrono_literals;
using Bytes = Vxi11TestClient::Bytes;

namespace {

constexpr const char* kVolts = "USB0::0x7A5E::0x0C46::SIM0001::INSTR";    // inst0, at once
constexpr const char* kCurrent = "USB0::0x7A5E::0x0C47::SIM0002::INSTR";  // inst1, 1 s burst
constexpr const char* kMute = "USB0::0x7A5E::0x0C46::SIM0003::INSTR";     // inst2
constexpr std::size_t kBlockSize = 200009;  // "#6200000", 50000 readings, LF

std::string Text(const DeviceReadResp& resp) {
    return {resp.data.begin(), resp.data.end()};
}

// Polls `condition` for at most three seconds.
template <typename Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 300 && !condition(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

}  // namespace

class ShareServerTest : public testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_NETWORK_NAMESPACE();
        std::string sim =
            std::string(kVolts) + "=dcv,instant;" + kCurrent + "=dci;" + kMute + "=mute";
        ::setenv("ZVISA_SIM", sim.c_str(), 1);
        zvisa::sim::SimRegistry::Global().MetersFromEnvironment();
        config_.listen = {*NetAddress::Parse("127.0.0.1")};
        config_.portmapper = false;
        server_ = std::make_unique<ShareServer>(config_, visa_);
        std::string error;
        ASSERT_EQ(server_->Start(error), ShareServer::StartResult::kStarted) << error;
        ASSERT_TRUE(client_.Connect(server_->CorePort()));
    }

    void TearDown() override {
        if (server_) {
            server_->Stop();
        }
        ::unsetenv("ZVISA_SIM");
    }

    static std::shared_ptr<zvisa::sim::SimMeter> Meter(const char* resource) {
        return zvisa::sim::SimRegistry::Global().FindMeter(resource);
    }

    // A link to `device` with `command` written to it.
    std::int32_t LinkWith(Vxi11TestClient& client, const std::string& device,
                          const std::string& command) {
        CreateLinkResp link = client.CreateLink(device);
        EXPECT_EQ(link.error, kErrNone) << device;
        EXPECT_EQ(client.Write(link.lid, command).error, kErrNone) << command;
        return link.lid;
    }

    // A link to `device` with a burst of 50000 readings asked for: 1 s unless the meter is
    // instant.
    std::int32_t BurstOn(Vxi11TestClient& client, const std::string& device) {
        std::int32_t lid = LinkWith(client, device, "SAMPLE:COUNT 50000\n");
        EXPECT_EQ(client.Write(lid, "VOLT:NPLC 0.001\n").error, kErrNone);
        EXPECT_EQ(client.Write(lid, "CURR:NPLC 0.001\n").error, kErrNone);
        EXPECT_EQ(client.Write(lid, "DR?\n").error, kErrNone);
        return lid;
    }

    InstrumentLink visa_;
    ShareConfig config_;
    std::unique_ptr<ShareServer> server_;
    Vxi11TestClient client_;
};

struct DeviceNameCase {
    const char* name;
    const char* device;
    std::int32_t error;
    const char* serial;
};

void PrintTo(const DeviceNameCase& c, std::ostream* os) {
    *os << c.name;
}

class DeviceNames : public ShareServerTest, public testing::WithParamInterface<DeviceNameCase> {};

TEST_P(DeviceNames, NameTheMeterOrAreRefused) {
    CreateLinkResp link = client_.CreateLink(GetParam().device);
    ASSERT_EQ(link.error, GetParam().error) << GetParam().device;
    if (link.error != kErrNone) {
        return;
    }
    EXPECT_EQ(link.abortPort, server_->AbortPort());
    EXPECT_EQ(client_.Write(link.lid, "*IDN?\n").error, kErrNone);
    DeviceReadResp idn = client_.Read(link.lid, 1000);
    EXPECT_EQ(Text(idn), std::string("ZORVANE SIM,DMM-SIM,") + GetParam().serial + ",1.0\n");
    EXPECT_EQ(idn.reason, kReasonEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceNames,
    testing::Values(DeviceNameCase{"Inst0", "inst0", kErrNone, "SIM0001"},
                    DeviceNameCase{"Inst1UpperCase", "INST1", kErrNone, "SIM0002"},
                    DeviceNameCase{"UsbGatewayName", "usb0[31326::3142::SIM0001::0]", kErrNone,
                                   "SIM0001"},
                    DeviceNameCase{"UsbGatewayNameUpperCase", "USB0[31326::3143::SIM0002::0]",
                                   kErrNone, "SIM0002"},
                    DeviceNameCase{"Inst3Missing", "inst3", kErrInvalidAddress, ""},
                    DeviceNameCase{"UsbGatewayWrongProduct", "usb0[31326::3142::SIM0002::0]",
                                   kErrInvalidAddress, ""},
                    DeviceNameCase{"InstWithoutNumber", "inst", kErrInvalidAddress, ""},
                    DeviceNameCase{"Empty", "", kErrInvalidAddress, ""}),
    [](const testing::TestParamInfo<DeviceNameCase>& info) {
        return std::string(info.param.name);
    });

class BlockInPieces : public ShareServerTest, public testing::WithParamInterface<std::uint32_t> {};

// The 200009-byte block arrives whole whatever the client's piece size, END on the last only.
TEST_P(BlockInPieces, EndOnlyOnTheLast) {
    std::int32_t lid = BurstOn(client_, "inst0");
    std::string block;
    DeviceReadResp piece;
    do {
        piece = client_.Read(lid, GetParam());
        ASSERT_EQ(piece.error, kErrNone);
        ASSERT_LE(piece.data.size(), GetParam());
        block += Text(piece);
        ASSERT_LE(block.size(), kBlockSize);
    } while ((piece.reason & kReasonEnd) == 0);
    EXPECT_EQ(block.size(), kBlockSize);
    EXPECT_EQ(block.compare(0, 8, "#6200000"), 0);
    EXPECT_EQ((piece.reason & kReasonRequestCount) != 0, piece.data.size() == GetParam());
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockInPieces,
                         testing::Values(1000u, 4096u, 65536u, 200009u, 5242880u));

struct TermCharCase {
    const char* name;
    std::uint32_t flags;
    std::uint8_t termChar;
    const char* first;
    std::int32_t firstReason;
};

void PrintTo(const TermCharCase& c, std::ostream* os) {
    *os << c.name;
}

class TermChar : public ShareServerTest, public testing::WithParamInterface<TermCharCase> {};

TEST_P(TermChar, EndsAReadAtTheCharacterWhenSet) {
    std::int32_t lid = LinkWith(client_, "inst0", "*IDN?\n");
    DeviceReadResp first = client_.Read(lid, 1000, GetParam().flags, GetParam().termChar);
    EXPECT_EQ(Text(first), GetParam().first);
    EXPECT_EQ(first.reason, GetParam().firstReason);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TermChar,
    testing::Values(
        TermCharCase{"StopsAtComma", kFlagTermCharSet, ',', "ZORVANE SIM,", kReasonTermChar},
        // VISA reports the character, not whether END came with it.
        TermCharCase{"StopsAtLineFeed", kFlagTermCharSet, '\n', "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n",
                     kReasonTermChar},
        TermCharCase{"IgnoredWhenNotSet", 0, ',', "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n", kReasonEnd}),
    [](const testing::TestParamInfo<TermCharCase>& info) { return std::string(info.param.name); });

TEST_F(ShareServerTest, WritesAreJoinedUntilEndAndBoundedByMaxRecvSize) {
    CreateLinkResp link = client_.CreateLink("inst0");
    EXPECT_EQ(client_.Write(link.lid, "*ID", 0).size, 3u);
    EXPECT_EQ(client_.Write(link.lid, "N?\n").size, 3u);
    EXPECT_EQ(Text(client_.Read(link.lid, 1000)), "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");

    XdrWriter args;
    Encode(args, DeviceWriteParms{link.lid, 1000, 0, kFlagEnd, Bytes(link.maxRecvSize + 1, 'x')});
    Bytes body;
    auto header = client_.Call(kCoreProgram, kDeviceWrite, args.Bytes(), body);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->acceptStat, kGarbageArgs);
}

struct BadCallCase {
    const char* name;
    std::uint32_t program;
    std::uint32_t version;
    std::uint32_t procedure;
    Bytes args;
    AcceptStat stat;
    std::int32_t error;  // the call's error code when accepted
};

void PrintTo(const BadCallCase& c, std::ostream* os) {
    *os << c.name;
}

class BadCalls : public ShareServerTest, public testing::WithParamInterface<BadCallCase> {};

TEST_P(BadCalls, GetTheReplyTheProtocolDefines) {
    Bytes body;
    auto header = client_.Call(GetParam().program, GetParam().procedure, GetParam().args, body,
                               GetParam().version);
    ASSERT_TRUE(header) << GetParam().name;
    EXPECT_EQ(header->acceptStat, GetParam().stat) << GetParam().name;
    if (GetParam().stat == kProgMismatch) {
        EXPECT_EQ(header->low, 1u);
        EXPECT_EQ(header->high, 1u);
    }
    if (GetParam().stat == kSuccess) {
        XdrReader in(body);
        std::int32_t error = -1;
        EXPECT_TRUE(DecodeError(in, error));
        EXPECT_EQ(error, GetParam().error) << GetParam().name;
    }
    // The connection still serves.
    EXPECT_EQ(client_.CreateLink("inst0").error, kErrNone) << GetParam().name;
}

const Bytes kNoArgs;
const Bytes kLid7 = Vxi11TestClient::LinkIdArgs(7);
INSTANTIATE_TEST_SUITE_P(
    Calls, BadCalls,
    testing::Values(
        BadCallCase{"AnotherProgram", 0x0607B2, 1, 0, kNoArgs, kProgUnavail, 0},
        BadCallCase{"Version2", kCoreProgram, 2, 0, kNoArgs, kProgMismatch, 0},
        BadCallCase{"Procedure99", kCoreProgram, 1, 99, kNoArgs, kProcUnavail, 0},
        BadCallCase{"CreateLinkCut", kCoreProgram, 1, kCreateLink, {0, 0, 0, 1}, kGarbageArgs, 0},
        BadCallCase{"DeviceName2To32Minus4Long",
                    kCoreProgram,
                    1,
                    kCreateLink,
                    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFC},
                    kGarbageArgs,
                    0},
        BadCallCase{"ReadOnNoLink",
                    kCoreProgram,
                    1,
                    kDeviceRead,
                    {0, 0, 0, 7, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                    kSuccess,
                    kErrInvalidLinkId},
        BadCallCase{"UnlockOnNoLink", kCoreProgram, 1, kDeviceUnlock, kLid7, kSuccess,
                    kErrInvalidLinkId},
        BadCallCase{"DestroyNoLink", kCoreProgram, 1, kDestroyLink, kLid7, kSuccess,
                    kErrInvalidLinkId},
        BadCallCase{"EnableSrq",
                    kCoreProgram,
                    1,
                    kDeviceEnableSrq,
                    {0, 0, 0, 7, 0, 0, 0, 1, 0, 0, 0, 0},
                    kSuccess,
                    kErrNotSupported},
        BadCallCase{"Docmd", kCoreProgram, 1, kDeviceDocmd, Bytes(32, 0), kSuccess,
                    kErrNotSupported},
        BadCallCase{"CreateIntrChan", kCoreProgram, 1, kCreateIntrChan, Bytes(20, 0), kSuccess,
                    kErrNotSupported}),
    [](const testing::TestParamInfo<BadCallCase>& info) { return std::string(info.param.name); });

struct ClosingCase {
    const char* name;
    Bytes stream;
};

void PrintTo(const ClosingCase& c, std::ostream* os) {
    *os << c.name;
}

class ClosingRecords : public ShareServerTest, public testing::WithParamInterface<ClosingCase> {};

TEST_P(ClosingRecords, CloseTheConnectionAndNothingElse) {
    ASSERT_EQ(client_.CreateLink("inst0").error, kErrNone);
    Vxi11TestClient other;
    ASSERT_TRUE(other.Connect(server_->CorePort()));
    ASSERT_TRUE(other.SendRaw(GetParam().stream));
    EXPECT_FALSE(other.Receive()) << GetParam().name;
    EXPECT_EQ(client_.CreateLink("inst0").error, kErrNone) << "another client still served";
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ClosingRecords,
    testing::Values(ClosingCase{"AReply", {0x80, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0, 1}},
                    ClosingCase{"CutHeader", {0x80, 0, 0, 6, 0, 0, 0, 1, 0, 0}},
                    ClosingCase{"FragmentOf2To31Minus1Bytes", {0x7F, 0xFF, 0xFF, 0xFF, 1, 2, 3}},
                    ClosingCase{"RecordAboveTheBound",
                                {0x00, 0x01, 0x04, 0x01, 0x80, 0x00, 0x00, 0x01}}),
    [](const testing::TestParamInfo<ClosingCase>& info) { return std::string(info.param.name); });

struct LockCase {
    const char* name;
    std::uint32_t flags;
    std::uint32_t lockTimeout;
    bool holderUnlocks;
    std::int32_t error;
};

void PrintTo(const LockCase& c, std::ostream* os) {
    *os << c.name;
}

class LockContention : public ShareServerTest, public testing::WithParamInterface<LockCase> {};

TEST_P(LockContention, SecondLinkWaitsOnlyWithWaitlock) {
    CreateLinkResp holder = client_.CreateLink("inst0");
    ASSERT_EQ(client_.Lock(holder.lid, 0, 0), kErrNone);
    Vxi11TestClient other;
    ASSERT_TRUE(other.Connect(server_->CorePort()));
    CreateLinkResp waiter = other.CreateLink("inst0");
    ASSERT_EQ(waiter.error, kErrNone);
    std::thread unlocker;
    if (GetParam().holderUnlocks) {
        unlocker = std::thread([&] {
            std::this_thread::sleep_for(200ms);
            client_.ErrorCall(kDeviceUnlock, Vxi11TestClient::LinkIdArgs(holder.lid));
        });
    }
    EXPECT_EQ(
        other.Write(waiter.lid, "*IDN?\n", kFlagEnd | GetParam().flags, GetParam().lockTimeout)
            .error,
        GetParam().error)
        << GetParam().name;
    EXPECT_EQ(other.Lock(waiter.lid, GetParam().flags, GetParam().lockTimeout),
              GetParam().holderUnlocks ? kErrNone : kErrLocked);
    if (unlocker.joinable()) {
        unlocker.join();
    }
    EXPECT_EQ(client_.ErrorCall(kDeviceUnlock, Vxi11TestClient::LinkIdArgs(holder.lid)),
              GetParam().holderUnlocks ? kErrNoLockHeld : kErrNone);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LockContention,
    testing::Values(LockCase{"NoWaitlock", 0, 5000, false, kErrLocked},
                    LockCase{"WaitlockNeverUnlocked", kFlagWaitLock, 300, false, kErrLocked},
                    LockCase{"WaitlockUnlockedMeanwhile", kFlagWaitLock, 5000, true, kErrNone}),
    [](const testing::TestParamInfo<LockCase>& info) { return std::string(info.param.name); });

TEST_F(ShareServerTest, AbortEndsABurstReadAndTheLinkGoesOn) {
    std::int32_t lid = BurstOn(client_, "inst1");
    auto start = std::chrono::steady_clock::now();
    auto read = std::async(std::launch::async, [&] { return client_.Read(lid, 300000); });
    std::this_thread::sleep_for(200ms);
    Vxi11TestClient abort;
    ASSERT_TRUE(abort.Connect(server_->AbortPort()));
    EXPECT_EQ(abort.ErrorCall(kDeviceAbort, Vxi11TestClient::LinkIdArgs(lid + 1), kAbortProgram),
              kErrInvalidLinkId);
    EXPECT_EQ(abort.ErrorCall(kDeviceAbort, Vxi11TestClient::LinkIdArgs(lid), kAbortProgram),
              kErrNone);
    EXPECT_EQ(read.get().error, kErrAbort);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms) << "ended before the burst did";
    EXPECT_EQ(client_.Write(lid, "*IDN?\n").error, kErrNone);
    EXPECT_EQ(Text(client_.Read(lid, 1000)), "ZORVANE SIM,DMM-SIM,SIM0002,1.0\n");
}

TEST_F(ShareServerTest, ClientGoneMidReadFreesItsLinkAndLock) {
    CreateLinkResp link{kErrNone, BurstOn(client_, "inst1")};
    ASSERT_EQ(client_.Lock(link.lid, 0, 0), kErrNone);
    XdrWriter call;
    EncodeCallHeader(call, {99, kCoreProgram, 1, kDeviceRead});
    Encode(call, DeviceReadParms{link.lid, 300000, 5000, 0, 0, 0});
    ASSERT_TRUE(client_.SendRaw(FrameRecord(call.Bytes())));
    std::this_thread::sleep_for(200ms);
    client_.Close();
    EXPECT_TRUE(Eventually([&] { return server_->OpenLinks() == 0; }));
    Vxi11TestClient next;
    ASSERT_TRUE(next.Connect(server_->CorePort()));
    EXPECT_EQ(next.CreateLink("inst1", true, 0).error, kErrNone) << "the lock was freed";
}

TEST_F(ShareServerTest, MeterUnpluggedDuringAReadFailsItAndComesBack) {
    std::int32_t lid = BurstOn(client_, "inst1");
    auto read = std::async(std::launch::async, [&] { return client_.Read(lid, 300000); });
    std::this_thread::sleep_for(200ms);
    Meter(kCurrent)->SetPlugged(false);
    EXPECT_EQ(read.get().error, kErrIoError);
    EXPECT_EQ(client_.Write(lid, "*IDN?\n").error, kErrIoError);
    Meter(kCurrent)->SetPlugged(true);
    std::int32_t again = LinkWith(client_, "inst1", "*IDN?\n");
    EXPECT_EQ(Text(client_.Read(again, 1000)), "ZORVANE SIM,DMM-SIM,SIM0002,1.0\n");
}

TEST_F(ShareServerTest, MeterPluggedInLaterIsServedUnderTheNextNumber) {
    Meter(kMute)->SetPlugged(false);
    server_->Stop();
    server_ = std::make_unique<ShareServer>(config_, visa_);
    std::string error;
    ASSERT_EQ(server_->Start(error), ShareServer::StartResult::kStarted);
    ASSERT_TRUE(client_.Connect(server_->CorePort()));
    EXPECT_EQ(client_.CreateLink("inst2").error, kErrInvalidAddress);
    Meter(kMute)->SetPlugged(true);
    EXPECT_EQ(client_.CreateLink("inst2").error, kErrNone);
    std::int32_t lid = LinkWith(client_, "inst1", "*IDN?\n");
    EXPECT_EQ(Text(client_.Read(lid, 1000)), "ZORVANE SIM,DMM-SIM,SIM0002,1.0\n")
        << "the others keep their numbers";
}

TEST_F(ShareServerTest, LinksPerClientIdleConnectionsAndTimeoutsAreBounded) {
    config_.maxLinksPerClient = 2;
    config_.idleTimeout = 300ms;
    server_->Stop();
    server_ = std::make_unique<ShareServer>(config_, visa_);
    std::string error;
    ASSERT_EQ(server_->Start(error), ShareServer::StartResult::kStarted);
    ASSERT_TRUE(client_.Connect(server_->CorePort()));
    CreateLinkResp first = client_.CreateLink("inst0");
    EXPECT_EQ(client_.CreateLink("inst2").error, kErrNone);
    EXPECT_EQ(client_.CreateLink("inst1").error, kErrOutOfResources);
    EXPECT_EQ(client_.ErrorCall(kDestroyLink, Vxi11TestClient::LinkIdArgs(first.lid)), kErrNone);
    CreateLinkResp mute = client_.CreateLink("inst2");
    ASSERT_EQ(client_.Write(mute.lid, "*IDN?\n").error, kErrNone);
    EXPECT_EQ(client_.Read(mute.lid, 1000, 0, 0, 50).error, kErrIoTimeout);
    EXPECT_TRUE(Eventually([&] { return server_->OpenLinks() == 0; })) << "idle connection closed";
    EXPECT_FALSE(client_.Exchange({0, 0, 0, 1}));
}
