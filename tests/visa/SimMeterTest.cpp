// The simulated meter at USB level: the transfers, packets and class
// requests a host sees, and the test hooks for unplugging.
#include "sim/SimMeter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "usbtmc/UsbtmcProtocol.h"

namespace {

using std::chrono::milliseconds;
using zvisa::TransferOutcome;
using zvisa::UsbResult;
using zvisa::UsbTransport;
using zvisa::sim::SimMeter;
using zvisa::sim::SimMeterConfig;
using zvisa::sim::SimProfile;
using Bytes = std::vector<std::uint8_t>;

using namespace zvisa::usbtmc;
constexpr std::uint8_t kBulkIn = 0x81;
constexpr std::uint8_t kBulkOut = 0x02;
constexpr milliseconds kNoWait{1};
const std::string kIdentity = "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n";

Bytes Frame(std::uint8_t msgId, std::uint8_t tag, std::uint32_t size, std::uint8_t attributes,
            const std::string& data) {
    Bytes frame(zvisa::usbtmc::PaddedLength(zvisa::usbtmc::kBulkHeaderSize + data.size()), 0);
    zvisa::usbtmc::EncodeBulkHeader({msgId, tag, size, attributes, 0}, frame.data());
    std::copy(data.begin(), data.end(), frame.begin() + zvisa::usbtmc::kBulkHeaderSize);
    return frame;
}

Bytes Message(std::uint8_t tag, const std::string& text, bool endOfMessage = true) {
    return Frame(zvisa::usbtmc::kDevDepMsgOut, tag, static_cast<std::uint32_t>(text.size()),
                 endOfMessage ? zvisa::usbtmc::kEndOfMessage : 0, text);
}

Bytes Request(std::uint8_t tag, std::uint32_t size) {
    return Frame(zvisa::usbtmc::kRequestDevDepMsgIn, tag, size, 0, "");
}

class SimMeterTest : public testing::Test {
protected:
    void UseMeter(SimProfile profile) {
        SimMeterConfig config;
        config.resource = "USB0::0x7A5E::0x0C46::SIM0001::INSTR";
        config.serial = "SIM0001";
        config.profile = profile;
        config.instant = instant;
        config.virtualTime = virtualTime;
        meter = std::make_shared<SimMeter>(config);
        ASSERT_EQ(meter->Connect(usb), VI_SUCCESS);
    }

    void SetUp() override { UseMeter(SimProfile::kDcVolts); }

    UsbResult Send(const Bytes& frame) {
        return usb->BulkOut(frame.data(), frame.size(), milliseconds(100)).result;
    }

    TransferOutcome In(std::size_t length, milliseconds timeout = kNoWait) {
        received.assign(length, 0);
        const TransferOutcome outcome = usb->BulkIn(received.data(), length, timeout);
        received.resize(outcome.transferred);
        return outcome;
    }

    Bytes Control(std::uint8_t type, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                  std::uint16_t length) {
        Bytes reply(length, 0xEE);
        const TransferOutcome outcome =
            usb->ControlIn(type, request, value, index, reply.data(), length, milliseconds(100));
        EXPECT_EQ(outcome.result, UsbResult::Ok);
        reply.resize(outcome.transferred);
        return reply;
    }

    zvisa::usbtmc::BulkHeader ReceivedHeader() const {
        return zvisa::usbtmc::ParseBulkHeader(received.data(), received.size()).value();
    }

    std::string ReceivedData(std::size_t length) const {
        return std::string(received.begin() + 12, received.begin() + 12 + length);
    }

    bool instant = true;
    bool virtualTime = false;
    std::shared_ptr<SimMeter> meter;
    std::unique_ptr<UsbTransport> usb;
    Bytes received;
};

TEST_F(SimMeterTest, ReplyIsOneTransferWithTheRequestsTag) {
    ASSERT_EQ(Send(Message(1, "*idn?\n")), UsbResult::Ok);
    ASSERT_EQ(Send(Request(7, 1000)), UsbResult::Ok);
    ASSERT_EQ(In(1024).result, UsbResult::Ok);
    ASSERT_EQ(received.size(), zvisa::usbtmc::PaddedLength(12 + kIdentity.size()));
    const auto header = ReceivedHeader();
    EXPECT_EQ(header.msgId, zvisa::usbtmc::kDevDepMsgIn);
    EXPECT_EQ(header.bTag, 7);
    EXPECT_EQ(header.transferSize, kIdentity.size());
    EXPECT_EQ(header.attributes, zvisa::usbtmc::kEndOfMessage);
    EXPECT_EQ(ReceivedData(kIdentity.size()), kIdentity);
}

TEST_F(SimMeterTest, SmallRequestsTakeTheReplyInPieces) {
    Send(Message(1, "*IDN?\n"));
    Send(Request(2, 5));
    In(16);  // less than the 20-byte transfer: the rest stays for the next call
    ASSERT_EQ(received.size(), 16u);
    EXPECT_EQ(ReceivedHeader().transferSize, 5u);
    EXPECT_EQ(ReceivedHeader().attributes, 0);  // no EOM yet
    In(512);
    EXPECT_EQ(received.size(), 4u);
    Send(Request(3, 100));
    In(512);
    EXPECT_EQ(ReceivedHeader().attributes, zvisa::usbtmc::kEndOfMessage);
    EXPECT_EQ(ReceivedData(kIdentity.size() - 5), kIdentity.substr(5));
}

// A 512-byte transfer fills whole packets, so a zero-length packet ends it:
// inside a larger read, or as a read of its own after an exact one.
TEST_F(SimMeterTest, WholePacketTransfersEndWithAZeroLengthPacket) {
    Send(Message(1, "SAMPLE:COUNT 1000\nDR?\n"));
    Send(Request(2, 500));
    EXPECT_EQ(In(512).transferred, 512u);
    const TransferOutcome zlp = In(512);
    EXPECT_EQ(zlp.result, UsbResult::Ok);
    EXPECT_EQ(zlp.transferred, 0u);

    Send(Request(3, 500));
    EXPECT_EQ(In(1024).transferred, 512u);
    EXPECT_EQ(In(1024).result, UsbResult::Timeout);  // nothing more was asked for
}

TEST_F(SimMeterTest, AbortEndsAWaitingRequestWithAZeroLengthPacket) {
    UseMeter(SimProfile::kMute);
    Send(Message(1, "FUNC?\n"));
    Send(Request(2, 100));
    EXPECT_EQ(In(512).result, UsbResult::Timeout);
    EXPECT_EQ(Control(kEndpointClassIn, kInitiateAbortBulkIn, 9, kBulkIn, 2),
              (Bytes{kStatusTransferNotInProgress, 9}));
    EXPECT_EQ(Control(kEndpointClassIn, kInitiateAbortBulkIn, 2, kBulkIn, 2),
              (Bytes{kStatusSuccess, 2}));
    EXPECT_EQ(Control(kEndpointClassIn, kCheckAbortBulkInStatus, 0, kBulkIn, 8)[0], kStatusPending);
    const TransferOutcome zlp = In(512);
    EXPECT_EQ(zlp.result, UsbResult::Ok);
    EXPECT_EQ(zlp.transferred, 0u);
    EXPECT_EQ(Control(kEndpointClassIn, kCheckAbortBulkInStatus, 0, kBulkIn, 8)[0], kStatusSuccess);
    EXPECT_EQ(Control(kEndpointClassIn, kInitiateAbortBulkIn, 2, kBulkIn, 2),
              (Bytes{kStatusTransferNotInProgress, 2}));
}

TEST_F(SimMeterTest, AbortDuringATransferDropsTheRestOfTheReply) {
    Send(Message(1, "SAMPLE:COUNT 1000\nDR?\n"));
    Send(Request(2, 4000));
    EXPECT_EQ(In(1024).transferred, 1024u);
    EXPECT_EQ(Control(kEndpointClassIn, kInitiateAbortBulkIn, 2, kBulkIn, 2),
              (Bytes{kStatusSuccess, 2}));
    EXPECT_EQ(In(4096).transferred, 0u);
    Send(Request(3, 4000));
    EXPECT_EQ(In(4096).result, UsbResult::Timeout);
}

TEST_F(SimMeterTest, ClearDropsPendingOutput) {
    Send(Message(1, "*IDN?\n"));
    EXPECT_EQ(Control(kInterfaceClassIn, kInitiateClear, 0, 0, 1), Bytes{kStatusSuccess});
    EXPECT_EQ(Control(kInterfaceClassIn, kCheckClearStatus, 0, 0, 2), (Bytes{kStatusSuccess, 0}));
    Send(Request(2, 100));
    EXPECT_EQ(In(512).result, UsbResult::Timeout);
}

TEST_F(SimMeterTest, UnknownControlRequestsStall) {
    std::uint8_t reply[24];
    constexpr std::uint8_t kIndicatorPulse = 64;
    EXPECT_EQ(usb->ControlIn(kInterfaceClassIn, kIndicatorPulse, 0, 0, reply, 1, kNoWait).result,
              UsbResult::Stall);
    EXPECT_EQ(usb->ControlIn(kEndpointClassIn, kInitiateAbortBulkIn, 1, kBulkOut, reply, 2, kNoWait)
                  .result,
              UsbResult::Stall);
}

TEST_F(SimMeterTest, BadHeaderHaltsBulkOutUntilCleared) {
    Bytes bad = Message(1, "*IDN?\n");
    bad[2] = bad[1];  // bTagInverse no longer matches
    EXPECT_EQ(Send(bad), UsbResult::Stall);
    EXPECT_EQ(Send(Message(2, "*IDN?\n")), UsbResult::Stall);
    EXPECT_EQ(usb->ClearHalt(kBulkOut), UsbResult::Ok);
    EXPECT_EQ(Send(Message(3, "*IDN?\n")), UsbResult::Ok);
    Send(Request(4, 100));
    In(512);
    EXPECT_EQ(ReceivedData(kIdentity.size()), kIdentity);
}

TEST_F(SimMeterTest, MessagesArriveInPieces) {
    const Bytes first = Message(1, "*ID", false);
    const Bytes second = Message(2, "N?\n");
    Send(Bytes(first.begin(), first.begin() + 5));
    Send(Bytes(first.begin() + 5, first.end()));
    Send(second);
    Send(Request(3, 100));
    In(512);
    EXPECT_EQ(ReceivedData(kIdentity.size()), kIdentity);
}

// On virtual time, so the waits are exact.
TEST_F(SimMeterTest, ReplyWaitsForTheAcquisition) {
    instant = false;
    virtualTime = true;
    UseMeter(SimProfile::kDcVolts);
    auto& clock = dynamic_cast<zvisa::VirtualClock&>(usb->TimeSource());
    Send(Message(1, "VOLT:NPLC 1\nSAMPLE:COUNT 50\nDR?\n"));  // 1 s of measuring
    Send(Request(2, 1000));
    EXPECT_EQ(In(1024, milliseconds(20)).result, UsbResult::Timeout);
    EXPECT_EQ(clock.Elapsed(), milliseconds(20));
    EXPECT_EQ(In(1024, milliseconds(5000)).result, UsbResult::Ok);
    EXPECT_EQ(clock.Elapsed(), milliseconds(1000));
    EXPECT_EQ(ReceivedHeader().transferSize, std::string("#3200").size() + 200 + 1);
}

TEST_F(SimMeterTest, UnplugWakesAWaitingReadAndKillsOldTransports) {
    UseMeter(SimProfile::kMute);
    Send(Message(1, "*IDN?\n"));
    Send(Request(2, 100));
    auto waiting = std::async(std::launch::async, [this] { return In(512, milliseconds(60000)); });
    meter->SetPlugged(false);
    EXPECT_EQ(waiting.get().result, UsbResult::NoDevice);
    EXPECT_FALSE(meter->IsPlugged());
    EXPECT_EQ(Send(Message(3, "*IDN?\n")), UsbResult::NoDevice);
    EXPECT_EQ(usb->ClearHalt(kBulkOut), UsbResult::NoDevice);
    std::unique_ptr<UsbTransport> refused;
    EXPECT_EQ(meter->Connect(refused), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(refused, nullptr);

    meter->SetPlugged(true);
    EXPECT_EQ(Send(Message(4, "*IDN?\n")), UsbResult::NoDevice);
    std::unique_ptr<UsbTransport> replugged;
    ASSERT_EQ(meter->Connect(replugged), VI_SUCCESS);
    const Bytes frame = Message(5, "*IDN?\n");
    EXPECT_EQ(replugged->BulkOut(frame.data(), frame.size(), kNoWait).result, UsbResult::Ok);
}

TEST_F(SimMeterTest, CountsOpenTransports) {
    EXPECT_EQ(meter->OpenTransportCount(), 1);
    std::unique_ptr<UsbTransport> second;
    ASSERT_EQ(meter->Connect(second), VI_SUCCESS);
    EXPECT_EQ(meter->OpenTransportCount(), 2);
    second.reset();
    usb.reset();
    EXPECT_EQ(meter->OpenTransportCount(), 0);
}

}  // namespace
