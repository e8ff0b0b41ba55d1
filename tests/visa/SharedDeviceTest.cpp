// Sessions of one process on one USB interface, through the C calls, over a
// scripted device behind a stand-in for libusb that, like usbfs, grants the
// interface's claim to one handle only.
#include "api/SharedDevice.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedUsbDevice.h"
#include "VisaTestSession.h"
#include "api/HandleTable.h"
#include "api/ResourceManager.h"
#include "visa.h"

namespace {

using zvisa::TransferOutcome;
using zvisa::UsbResult;
using zvisa::UsbTransport;
using zvisa::VirtualClock;
using zvisa::usbtmc::BulkHeader;
using zvisa::usbtmc::ParseBulkHeader;
using zvisa::usbtmc::testing::Bytes;
using zvisa::usbtmc::testing::ReplyFault;
using zvisa::usbtmc::testing::ScriptedUsbDevice;
using zvisa::usbtmc::testing::Usb488Capabilities;
using namespace zvisa::usbtmc;

constexpr const char* kResource = "USB0::0x7A5E::0x0C46::SCRIPTED1::INSTR";
const std::string kIdentity = "ZORVANE,DMM-TEST,SCRIPTED1,1.0\n";
const std::string kFunction = "\"VOLT:DC\"\n";

// A claimed interface: the device's pipes until the handle is closed.
class ClaimedInterface : public UsbTransport {
public:
    ClaimedInterface(ScriptedUsbDevice& device, bool& claimed)
        : device_(device), claimed_(claimed) {
        claimed_ = true;
    }
    ~ClaimedInterface() override { claimed_ = false; }

    TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                            std::chrono::milliseconds timeout) override {
        return device_.BulkOut(data, length, timeout);
    }
    TransferOutcome BulkIn(std::uint8_t* data, std::size_t length,
                           std::chrono::milliseconds timeout) override {
        return device_.BulkIn(data, length, timeout);
    }
    TransferOutcome ControlIn(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                              std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                              std::chrono::milliseconds timeout) override {
        return device_.ControlIn(requestType, request, value, index, data, length, timeout);
    }
    UsbResult ClearHalt(std::uint8_t endpoint) override { return device_.ClearHalt(endpoint); }
    bool HasInterruptIn() const override { return device_.HasInterruptIn(); }
    TransferOutcome InterruptIn(std::uint8_t* data, std::size_t length,
                                std::chrono::milliseconds timeout) override {
        return device_.InterruptIn(data, length, timeout);
    }
    std::uint8_t BulkInEndpoint() const override { return device_.BulkInEndpoint(); }
    std::uint8_t BulkOutEndpoint() const override { return device_.BulkOutEndpoint(); }
    std::uint16_t BulkInMaxPacket() const override { return device_.BulkInMaxPacket(); }
    zvisa::Clock& TimeSource() override { return device_.TimeSource(); }

private:
    ScriptedUsbDevice& device_;
    bool& claimed_;
};

// Lists the one device and refuses a second claim with VI_ERROR_RSRC_BUSY,
// which is what a second libusb handle gets from the kernel.
class ClaimOnceProvider : public zvisa::ResourceProvider {
public:
    ClaimOnceProvider(ScriptedUsbDevice& device, int& claims) : device_(device), claims_(claims) {}

    std::vector<std::string> ListResources() override { return {kResource}; }
    ViStatus Open(const std::string&, std::unique_ptr<UsbTransport>& transport) override {
        if (claimed_) {
            return VI_ERROR_RSRC_BUSY;
        }
        ++claims_;
        transport = std::make_unique<ClaimedInterface>(device_, claimed_);
        return VI_SUCCESS;
    }

private:
    ScriptedUsbDevice& device_;
    int& claims_;
    bool claimed_ = false;
};

ViBoolean Attribute4882(ViSession vi) {
    ViBoolean compliant = 7;
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_4882_COMPLIANT, &compliant), VI_SUCCESS);
    return compliant;
}

ViUInt32 LockState(ViSession vi) {
    ViAccessMode state = 99;
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_RSRC_LOCK_STATE, &state), VI_SUCCESS);
    return state;
}

class SharedDeviceTest : public ::testing::Test {
protected:
    SharedDeviceTest() {
        device.Answer("*idn?\n", Bytes(kIdentity));
        device.Answer("FUNC?\n", Bytes(kFunction));
        device.capabilities = Usb488Capabilities();
        std::vector<std::unique_ptr<zvisa::ResourceProvider>> providers;
        providers.push_back(std::make_unique<ClaimOnceProvider>(device, claims));
        EXPECT_EQ(zvisa::HandleTable::Global().Add(
                      std::make_shared<zvisa::ResourceManager>(std::move(providers)), VI_NULL, rm),
                  VI_SUCCESS);
    }
    ~SharedDeviceTest() override { viClose(rm); }

    ViSession Open(ViAccessMode mode = VI_NO_LOCK) {
        ViSession vi = VI_NULL;
        EXPECT_EQ(viOpen(rm, kResource, mode, 0, &vi), VI_SUCCESS);
        return vi;
    }

    ReadResult Query(ViSession vi, const std::string& command) {
        const ViStatus written = WriteText(vi, command);
        if (written < VI_SUCCESS) {
            return {written, {}};
        }
        return ReadText(vi, 1000);
    }

    // The headers of every Bulk-OUT transfer: commands, REQUESTs and TRIGGERs.
    std::vector<BulkHeader> OutHeaders() const {
        std::vector<BulkHeader> headers;
        for (const auto& frame : device.bulkOut) {
            if (const auto header = ParseBulkHeader(frame.data(), frame.size())) {
                headers.push_back(*header);
            }
        }
        return headers;
    }

    VirtualClock clock;
    ScriptedUsbDevice device{clock};
    int claims = 0;
    ViSession rm = VI_NULL;
};

// A nested run opens the meter a second time and queries between the outer
// run's queries.
TEST_F(SharedDeviceTest, TwoSessionsShareOneClaimAndQueryAlternately) {
    const ViSession outer = Open();
    const ViSession nested = Open();
    EXPECT_EQ(claims, 1);
    for (const ViSession vi : {outer, nested, outer, nested}) {
        const ReadResult identity = Query(vi, "*idn?\n");
        EXPECT_EQ(identity.status, VI_SUCCESS);
        EXPECT_EQ(identity.data, kIdentity);
        EXPECT_EQ(Query(vi, "FUNC?\n").data, kFunction);
    }
    // One bTag sequence for the device: each header takes the next tag.
    const std::vector<BulkHeader> headers = OutHeaders();
    ASSERT_EQ(headers.size(), 16u);
    for (std::size_t i = 1; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i].bTag, headers[i - 1].bTag + 1) << i;
    }

    EXPECT_EQ(viClose(outer), VI_SUCCESS);
    EXPECT_EQ(Query(nested, "*idn?\n").data, kIdentity);
    EXPECT_EQ(viClose(nested), VI_SUCCESS);
    // Released with the last session: the next open claims afresh.
    const ViSession again = Open();
    EXPECT_EQ(claims, 2);
    EXPECT_EQ(Query(again, "*idn?\n").data, kIdentity);
}

TEST_F(SharedDeviceTest, TimeoutOrClearOnOneSessionLeavesTheOthersNextQueryClean) {
    const ViSession first = Open();
    const ViSession second = Open();
    ASSERT_EQ(viSetAttribute(first, VI_ATTR_TMO_VALUE, 500), VI_SUCCESS);
    device.FaultReply({ReplyFault::kNak, 10});
    EXPECT_EQ(Query(first, "*idn?\n").status, VI_ERROR_TMO);
    EXPECT_EQ(Query(second, "*idn?\n").data, kIdentity);

    ASSERT_EQ(WriteText(first, "FUNC?\n"), VI_SUCCESS);  // a reply nobody reads
    EXPECT_EQ(viClear(first), VI_SUCCESS);
    const ReadResult after = Query(second, "*idn?\n");
    EXPECT_EQ(after.status, VI_SUCCESS);
    EXPECT_EQ(after.data, kIdentity);
}

TEST_F(SharedDeviceTest, UnplugEndsEverySessionOnTheDevice) {
    const ViSession first = Open();
    const ViSession second = Open();
    device.Unplug();
    EXPECT_EQ(Query(first, "*idn?\n").status, VI_ERROR_CONN_LOST);
    const std::size_t callsBefore = device.TransportCalls();
    EXPECT_EQ(Query(second, "*idn?\n").status, VI_ERROR_CONN_LOST);
    EXPECT_EQ(viClear(second), VI_ERROR_CONN_LOST);
    EXPECT_EQ(device.TransportCalls(), callsBefore);  // known lost: the device is left alone
    EXPECT_EQ(viClose(first), VI_SUCCESS);
    EXPECT_EQ(viClose(second), VI_SUCCESS);
}

// INITIATE_CLEAR, CHECK_CLEAR_STATUS, then the Bulk-OUT halt the clear left.
TEST_F(SharedDeviceTest, ClearRunsTheUsbtmcSequence) {
    const ViSession vi = Open();
    device.controls.clear();
    ASSERT_EQ(WriteText(vi, "*idn?\n"), VI_SUCCESS);
    ASSERT_EQ(viClear(vi), VI_SUCCESS);
    ASSERT_GE(device.controls.size(), 2u);
    EXPECT_EQ(device.controls[0].requestType, kInterfaceClassIn);
    EXPECT_EQ(device.controls[0].request, kInitiateClear);
    EXPECT_EQ(device.controls[0].length, kInitiateClearLength);
    EXPECT_EQ(device.controls[1].request, kCheckClearStatus);
    EXPECT_EQ(device.clearedHalts, std::vector<std::uint8_t>{ScriptedUsbDevice::kOutEndpoint});
    EXPECT_EQ(ReadText(vi, 100).status, VI_ERROR_TMO);  // the reply went with the clear
    EXPECT_EQ(Query(vi, "*idn?\n").data, kIdentity);
}

class SharedDeviceStatusByteTest : public SharedDeviceTest,
                                   public ::testing::WithParamInterface<bool> {};

TEST_P(SharedDeviceStatusByteTest, ReadStbTakesTheByteFromWhereTheDeviceSendsIt) {
    device.interruptIn = GetParam();
    const ViSession vi = Open();
    for (const std::uint8_t value : {0x10, 0x50}) {
        device.statusByte = value;
        ViUInt16 status = 0xFFFF;
        ASSERT_EQ(viReadSTB(vi, &status), VI_SUCCESS);
        EXPECT_EQ(status, value);
    }
    const zvisa::usbtmc::testing::ControlCall& last = device.controls.back();
    EXPECT_EQ(last.request, kReadStatusByte);
    EXPECT_EQ(last.value, 3);  // tags start at 2: 1 marks a service request
    EXPECT_EQ(viReadSTB(vi, nullptr), VI_ERROR_USER_BUF);
}

INSTANTIATE_TEST_SUITE_P(ControlOrInterrupt, SharedDeviceStatusByteTest, ::testing::Bool());

TEST_F(SharedDeviceTest, TriggerTakesTheNextTagAndNeedsUsb488) {
    const ViSession vi = Open();
    ASSERT_EQ(WriteText(vi, "*idn?\n"), VI_SUCCESS);
    ASSERT_EQ(viAssertTrigger(vi, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    ASSERT_EQ(device.triggers.size(), 1u);
    EXPECT_EQ(device.triggers[0].msgId, kTrigger);
    EXPECT_EQ(device.triggers[0].bTag, OutHeaders().front().bTag + 1);
    EXPECT_EQ(device.triggers[0].transferSize, 0u);
    EXPECT_EQ(viAssertTrigger(vi, 5), VI_ERROR_INV_PROT);
    viClose(vi);

    device.capabilities.clear();  // a plain USBTMC interface
    const ViSession plain = Open();
    ViUInt16 status = 0;
    EXPECT_EQ(viAssertTrigger(plain, VI_TRIG_PROT_DEFAULT), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viReadSTB(plain, &status), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(Attribute4882(plain), VI_FALSE);
}

// TermChar goes into the REQUEST only when enabled and the device can end a
// transfer on it; send-end decides EOM on writes.
TEST_F(SharedDeviceTest, TerminationAttributesShapeTheTransfers) {
    device.Answer("LIST?\n", Bytes("1;2\n3;4\n"));
    const ViSession vi = Open();
    EXPECT_EQ(Query(vi, "LIST?\n").data, "1;2\n3;4\n");
    EXPECT_EQ(device.requests.back().attributes & kTermCharEnabled, 0);

    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR, ';'), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    const ReadResult first = Query(vi, "LIST?\n");
    EXPECT_EQ(first.status, VI_SUCCESS_TERM_CHAR);
    EXPECT_EQ(first.data, "1;");
    EXPECT_EQ(device.requests.back().termChar, ';');
    EXPECT_EQ(ReadText(vi, 100).data, "2\n3;");

    viClose(vi);

    device.capabilities = Usb488Capabilities(false);
    const ViSession other = Open();
    ASSERT_EQ(viSetAttribute(other, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    const ReadResult whole = Query(other, "LIST?\n");
    EXPECT_EQ(whole.status, VI_SUCCESS);  // ends at EOM
    EXPECT_EQ(whole.data, "1;2\n3;4\n");
    EXPECT_EQ(device.requests.back().attributes & kTermCharEnabled, 0);

    ASSERT_EQ(viSetAttribute(other, VI_ATTR_SEND_END_EN, VI_FALSE), VI_SUCCESS);
    ASSERT_EQ(WriteText(other, "PART"), VI_SUCCESS);
    EXPECT_EQ(OutHeaders().back().attributes & kEndOfMessage, 0);
}

TEST_F(SharedDeviceTest, ExclusiveLockKeepsOtherSessionsOutUntilReleased) {
    const ViSession holder = Open();
    const ViSession other = Open();
    ASSERT_EQ(viLock(holder, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
    EXPECT_EQ(viLock(holder, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(LockState(other), VI_EXCLUSIVE_LOCK);
    EXPECT_EQ(Query(other, "*idn?\n").status, VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viClear(other), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viLock(other, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO);
    ViSession third = VI_NULL;
    EXPECT_EQ(viOpen(rm, kResource, VI_EXCLUSIVE_LOCK, 0, &third), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(third, VI_NULL);
    EXPECT_EQ(Query(holder, "*idn?\n").data, kIdentity);

    EXPECT_EQ(viUnlock(holder), VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(viUnlock(holder), VI_SUCCESS);
    EXPECT_EQ(viUnlock(holder), VI_ERROR_SESN_NLOCKED);
    EXPECT_EQ(LockState(holder), VI_NO_LOCK);
    EXPECT_EQ(Query(other, "*idn?\n").data, kIdentity);

    // Closing a session gives its locks back.
    const ViSession locked = Open(VI_EXCLUSIVE_LOCK);
    EXPECT_EQ(Query(holder, "*idn?\n").status, VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viClose(locked), VI_SUCCESS);
    EXPECT_EQ(Query(holder, "*idn?\n").data, kIdentity);
    EXPECT_EQ(viLock(holder, 7, 0, nullptr, nullptr), VI_ERROR_INV_LOCK_TYPE);
}

// Two threads query through their own sessions, each query under an
// exclusive lock: every reply reaches the session that asked for it.
TEST_F(SharedDeviceTest, LockedQueriesFromTwoThreadsGetTheirOwnReplies) {
    constexpr int kQueries = 2000;
    std::promise<void> start;
    const std::shared_future<void> started = start.get_future().share();
    const auto run = [&](const std::string& command, const std::string& expected) {
        const ViSession vi = Open();
        started.wait();
        int wrong = 0;
        for (int i = 0; i < kQueries; ++i) {
            EXPECT_GE(viLock(vi, VI_EXCLUSIVE_LOCK, VI_TMO_INFINITE, nullptr, nullptr), VI_SUCCESS);
            wrong += Query(vi, command).data == expected ? 0 : 1;
            EXPECT_EQ(viUnlock(vi), VI_SUCCESS);
        }
        return wrong;
    };
    auto identities = std::async(std::launch::async, run, "*idn?\n", kIdentity);
    auto functions = std::async(std::launch::async, run, "FUNC?\n", kFunction);
    start.set_value();
    EXPECT_EQ(identities.get(), 0);
    EXPECT_EQ(functions.get(), 0);
    EXPECT_EQ(claims, 1);
}

TEST_F(SharedDeviceTest, SharedLockAdmitsTheSessionsWithItsKey) {
    const ViSession first = Open();
    const ViSession second = Open();
    const ViSession outsider = Open();
    ViChar key[VI_FIND_BUFLEN] = {};
    ViChar secondKey[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viLock(first, VI_SHARED_LOCK, 0, nullptr, key), VI_SUCCESS);
    EXPECT_STRNE(key, "");
    EXPECT_EQ(viLock(second, VI_SHARED_LOCK, 0, "another key", secondKey), VI_ERROR_INV_ACCESS_KEY);
    ASSERT_EQ(viLock(second, VI_SHARED_LOCK, 0, key, secondKey), VI_SUCCESS);
    EXPECT_STREQ(secondKey, key);
    EXPECT_EQ(LockState(outsider), VI_SHARED_LOCK);
    EXPECT_EQ(Query(first, "*idn?\n").data, kIdentity);
    EXPECT_EQ(Query(second, "*idn?\n").data, kIdentity);
    EXPECT_EQ(Query(outsider, "*idn?\n").status, VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viLock(outsider, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO);
    EXPECT_EQ(viLock(outsider, VI_SHARED_LOCK, 0, nullptr, nullptr), VI_ERROR_USER_BUF);

    EXPECT_EQ(viUnlock(first), VI_SUCCESS);
    EXPECT_EQ(Query(outsider, "*idn?\n").status, VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viUnlock(second), VI_SUCCESS);
    EXPECT_EQ(LockState(outsider), VI_NO_LOCK);
    EXPECT_EQ(Query(outsider, "*idn?\n").data, kIdentity);
}

// Nothing is buffered between the calls and the device and no event is ever
// enabled; only the arguments are checked.
TEST_F(SharedDeviceTest, FlushAndEventsCheckTheirArguments) {
    const ViSession vi = Open();
    EXPECT_EQ(viFlush(vi, VI_READ_BUF | VI_WRITE_BUF), VI_SUCCESS);
    EXPECT_EQ(viFlush(vi, VI_IO_IN_BUF_DISCARD | VI_IO_OUT_BUF_DISCARD), VI_SUCCESS);
    for (const ViUInt16 bad :
         {0, VI_READ_BUF | VI_READ_BUF_DISCARD, VI_IO_OUT_BUF | VI_IO_OUT_BUF_DISCARD, 0x100}) {
        EXPECT_EQ(viFlush(vi, bad), VI_ERROR_INV_MASK) << bad;
    }
    EXPECT_EQ(viDisableEvent(vi, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS_EVENT_DIS);
    EXPECT_EQ(viDiscardEvents(vi, VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS_QUEUE_EMPTY);
    EXPECT_EQ(viDisableEvent(vi, VI_ALL_ENABLED_EVENTS, 8), VI_ERROR_INV_MECH);
    EXPECT_EQ(viDisableEvent(vi, 0x1234, VI_QUEUE), VI_ERROR_INV_EVENT);
    EXPECT_EQ(viDiscardEvents(vi, 0x1234, VI_QUEUE), VI_ERROR_INV_EVENT);
    for (const ViStatus status :
         {viFlush(rm, VI_READ_BUF), viClear(rm), viAssertTrigger(rm, VI_TRIG_PROT_DEFAULT),
          viUnlock(rm), viLock(rm, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr)}) {
        EXPECT_EQ(status, VI_ERROR_NSUP_OPER);
    }
}

}  // namespace
