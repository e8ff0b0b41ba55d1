#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptedUsbDevice.h"
#include "usbtmc/UsbtmcExchange.h"

namespace zvisa::usbtmc::testing {
namespace {

using std::chrono::milliseconds;

constexpr ViUInt32 kTimeoutMs = 7000;
constexpr std::size_t kReadCount = 210000;
constexpr std::size_t kBlockLength = 200009;
const std::string kIdentity = "ZORVANE,DMM-TEST,SN1,1.0\n";
// Header + 100000 data bytes end in the 196th 512-byte packet, which a device
// cannot send without ending the transfer: 195 whole packets arrive.
constexpr std::size_t kWholePacketsOf100000 = 195 * 512 - 12;

std::vector<std::uint8_t> Hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> bytes;
    for (unsigned value = 0; in >> std::hex >> value;) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::vector<std::uint8_t> Head(const std::vector<std::uint8_t>& bytes, std::size_t length) {
    return {bytes.begin(),
            bytes.begin() + static_cast<std::ptrdiff_t>(std::min(length, bytes.size()))};
}

// A meter on a scripted endpoint pair, with the layer under test on top.
struct Rig {
    explicit Rig(std::uint16_t maxPacket = 512) : device(clock, maxPacket), exchange(device) {
        device.Answer("*idn?\n", Bytes(kIdentity));
        device.Answer("DR?\n", BlockReply());
    }

    IoResult Send(const std::string& command) {
        return exchange.Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size(),
                              kTimeoutMs);
    }

    // Reads into a buffer with a guard zone behind `count` that must stay untouched.
    IoResult Receive(std::size_t count = kReadCount, ViUInt32 timeoutMs = kTimeoutMs) {
        constexpr std::size_t kGuard = 64;
        std::vector<std::uint8_t> buffer(count + kGuard, 0xCC);
        const IoResult result = exchange.Read(buffer.data(), count, timeoutMs);
        for (std::size_t i = count; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], 0xCC) << "stored past count at " << i;
        }
        EXPECT_LE(result.count, count);
        buffer.resize(std::min(result.count, count));
        reply = std::move(buffer);
        return result;
    }

    IoResult Query(const std::string& command, std::size_t count = kReadCount) {
        const IoResult sent = Send(command);
        return sent.status == VI_SUCCESS ? Receive(count) : sent;
    }

    bool IdentityAnswers() {
        return Query("*idn?\n").status == VI_SUCCESS && reply == Bytes(kIdentity);
    }

    std::vector<ControlCall> Controls(std::uint8_t request) const {
        std::vector<ControlCall> calls;
        for (const ControlCall& call : device.controls) {
            if (call.request == request) {
                calls.push_back(call);
            }
        }
        return calls;
    }

    VirtualClock clock;
    ScriptedUsbDevice device;
    UsbtmcExchange exchange;
    std::vector<std::uint8_t> reply;
};

TEST(UsbtmcOutFraming, EachWriteIsOneTransferWithEomAndZeroPadding) {
    struct Case {
        std::string command;
        std::string frame;
    };
    const Case cases[] = {
        {"*idn?\n", "01 01 FE 00 06 00 00 00 01 00 00 00 2A 69 64 6E 3F 0A 00 00"},
        {"DR?\n", "01 01 FE 00 04 00 00 00 01 00 00 00 44 52 3F 0A"},
        {"SAMPLE:COUNT 50000\n",
         "01 01 FE 00 13 00 00 00 01 00 00 00 53 41 4D 50 4C 45 3A 43 4F 55 4E 54 20 35 30 30 30 "
         "30 0A 00"},
    };
    for (const Case& c : cases) {
        Rig rig;
        const IoResult result = rig.Send(c.command);
        EXPECT_EQ(result.status, VI_SUCCESS) << c.command;
        EXPECT_EQ(result.count, c.command.size()) << c.command;
        ASSERT_EQ(rig.device.bulkOut.size(), 1u) << c.command;
        EXPECT_EQ(rig.device.bulkOut[0], Hex(c.frame)) << c.command;
    }
}

TEST(UsbtmcOutFraming, RequestAsksForTheRoomLeftWithTermCharDisabled) {
    Rig rig;
    ASSERT_EQ(rig.Query("DR?\n").status, VI_SUCCESS);
    ASSERT_EQ(rig.device.bulkOut.size(), 2u);
    EXPECT_EQ(rig.device.bulkOut[1], Hex("02 02 FD 00 50 34 03 00 00 00 00 00"));
}

TEST(UsbtmcOutFraming, TagsRunOneTo255AndWrapToOneOver300Queries) {
    Rig rig;
    for (int query = 0; query < 300; ++query) {
        ASSERT_TRUE(rig.IdentityAnswers()) << query;
    }
    ASSERT_EQ(rig.device.bulkOut.size(), 600u);
    for (std::size_t i = 0; i < rig.device.bulkOut.size(); ++i) {
        const std::vector<std::uint8_t>& frame = rig.device.bulkOut[i];
        EXPECT_EQ(frame[1], i % 255 + 1) << i;
        EXPECT_EQ(frame[2], static_cast<std::uint8_t>(~frame[1])) << i;
    }
}

struct BlockCase {
    std::uint16_t maxPacket;
    std::size_t length;
    std::size_t count;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
    *os << "Packet" << c.maxPacket << "Message" << c.length << "Count" << c.count;
}

class UsbtmcOneTransfer : public ::testing::TestWithParam<BlockCase> {};

// 200009 bytes end in a short packet; 4084 + 12 = 4096 fills whole packets
// and ends with a ZLP, which must not be taken for the next header, also
// when the count is exactly the message length.
TEST_P(UsbtmcOneTransfer, WholeReplyTakesOneRequestAndOneBulkInCall) {
    Rig rig(GetParam().maxPacket);
    const std::vector<std::uint8_t> block = BlockReply(GetParam().length);
    rig.device.Answer("DR?\n", block);

    const IoResult result = rig.Query("DR?\n", GetParam().count);

    EXPECT_EQ(result.status, VI_SUCCESS);
    EXPECT_EQ(rig.reply, block);
    ASSERT_EQ(rig.device.requests.size(), 1u);
    EXPECT_EQ(rig.device.requests[0].transferSize, GetParam().count);
    EXPECT_EQ(rig.device.bulkInLengths.size(), 1u);
    EXPECT_TRUE(rig.IdentityAnswers());
}

INSTANTIATE_TEST_SUITE_P(PacketSizes, UsbtmcOneTransfer,
                         ::testing::Values(BlockCase{512, kBlockLength, kReadCount},
                                           BlockCase{64, kBlockLength, kReadCount},
                                           BlockCase{512, 4084, kReadCount},
                                           BlockCase{64, 4084, kReadCount},
                                           BlockCase{512, 4084, 4084},
                                           BlockCase{512, kBlockLength, kBlockLength}),
                         [](const ::testing::TestParamInfo<BlockCase>& info) {
                             return ::testing::PrintToString(info.param);
                         });

TEST(UsbtmcMultiTransfer, RequestsTheRestUntilEom) {
    Rig rig;
    rig.device.transferLimits = {65536, 65536};

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, VI_SUCCESS);
    EXPECT_EQ(rig.reply, BlockReply());
    ASSERT_EQ(rig.device.requests.size(), 3u);
    EXPECT_EQ(rig.device.requests[0].transferSize, 210000u);
    EXPECT_EQ(rig.device.requests[1].transferSize, 144464u);
    EXPECT_EQ(rig.device.requests[2].transferSize, 78928u);
    EXPECT_EQ(rig.device.requestsDuringTransfer, 0);
}

TEST(UsbtmcMultiTransfer, CountReachedFirstLeavesTheRestForTheNextRead) {
    Rig rig;
    const IoResult first = rig.Query("DR?\n", 1000);
    std::vector<std::uint8_t> whole = rig.reply;
    const IoResult rest = rig.Receive();
    whole.insert(whole.end(), rig.reply.begin(), rig.reply.end());

    EXPECT_EQ(first.status, VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(first.count, 1000u);
    EXPECT_EQ(rest.status, VI_SUCCESS);
    EXPECT_EQ(rest.count, kBlockLength - 1000);
    EXPECT_EQ(whole, BlockReply());
    ASSERT_EQ(rig.device.requests.size(), 2u);
    EXPECT_EQ(rig.device.requests[1].transferSize, kReadCount);
}

TEST(UsbtmcMultiTransfer, DeviceIgnoringTransferSizeIsCutAtCountAndAborted) {
    Rig rig;
    rig.device.ignoreTransferSize = true;
    const std::vector<std::uint8_t> message = BlockReply(2000);
    rig.device.Answer("LONG?\n", message);

    const IoResult result = rig.Query("LONG?\n", 1000);

    EXPECT_EQ(result.status, VI_ERROR_INP_PROT_VIOL);
    EXPECT_EQ(rig.reply, Head(message, 1000));
    const std::vector<ControlCall> initiates = rig.Controls(kInitiateAbortBulkIn);
    ASSERT_EQ(initiates.size(), 1u);
    EXPECT_EQ(initiates[0].value, rig.device.requests[0].bTag);
    EXPECT_TRUE(rig.IdentityAnswers());
}

TEST(UsbtmcTimeout, MidMessageKeepsBytesAndAbortsWithThatRequestsTag) {
    Rig rig;
    rig.device.transferLimits = {100000};
    rig.device.FaultReply({});
    rig.device.FaultReply({ReplyFault::kNak, 0});

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, VI_ERROR_TMO);
    EXPECT_EQ(result.count, 100000u);
    EXPECT_EQ(rig.reply, Head(BlockReply(), 100000));
    ASSERT_EQ(rig.device.requests.size(), 2u);
    ASSERT_GE(rig.device.controls.size(), 2u);
    const ControlCall& initiate = rig.device.controls.front();
    EXPECT_EQ(initiate.requestType, kEndpointClassIn);
    EXPECT_EQ(initiate.request, kInitiateAbortBulkIn);
    EXPECT_EQ(initiate.value, rig.device.requests[1].bTag);
    EXPECT_EQ(initiate.index, ScriptedUsbDevice::kInEndpoint);
    EXPECT_EQ(rig.device.controls.back().request, kCheckAbortBulkInStatus);
    EXPECT_GE(rig.clock.Elapsed(), milliseconds(kTimeoutMs));
    EXPECT_LE(rig.clock.Elapsed(), milliseconds(kTimeoutMs + 2000));
    EXPECT_TRUE(rig.IdentityAnswers());
    EXPECT_EQ(rig.device.requestsDuringTransfer, 0);
}

// 3 s before each of three transfers: a deadline per libusb call would let
// the read finish after 9 s; one deadline for the call ends it at 7 s.
TEST(UsbtmcTimeout, OneDeadlineCoversEveryTransferOfARead) {
    Rig rig;
    rig.device.transferLimits = {65536, 65536};
    rig.device.replyDelay = milliseconds(3000);

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, VI_ERROR_TMO);
    EXPECT_EQ(result.count, 2 * 65536u);
    EXPECT_EQ(rig.device.requests.size(), 3u);
    EXPECT_LE(rig.clock.Elapsed(), milliseconds(kTimeoutMs + 2000));
}

TEST(UsbtmcTimeout, InfiniteTimeoutWaitsThroughTransportTimeouts) {
    Rig rig;
    rig.device.replyDelay = std::chrono::hours(5);
    ASSERT_EQ(rig.Send("*idn?\n").status, VI_SUCCESS);

    const IoResult result = rig.Receive(kReadCount, VI_TMO_INFINITE);

    EXPECT_EQ(result.status, VI_SUCCESS);
    EXPECT_EQ(rig.reply, Bytes(kIdentity));
}

struct AbortCase {
    const char* name;
    std::uint8_t initiateStatus;  // 0: the device's own answer
    int extraPendingChecks;
    bool pendingForever;
    std::size_t checks;  // CHECK_ABORT_BULK_IN_STATUS sent; SIZE_MAX: several, bounded
};

void PrintTo(const AbortCase& c, std::ostream* os) {
    *os << c.name;
}

class UsbtmcAbort : public ::testing::TestWithParam<AbortCase> {};

TEST_P(UsbtmcAbort, EndsTheTransferAndLeavesTheNextQueryClean) {
    const AbortCase& c = GetParam();
    Rig rig;
    rig.device.initiateStatus = c.initiateStatus;
    rig.device.extraPendingChecks = c.extraPendingChecks;
    rig.device.pendingForever = c.pendingForever;
    rig.device.FaultReply({ReplyFault::kNak, 100000});

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, VI_ERROR_TMO);
    EXPECT_EQ(result.count, kWholePacketsOf100000);
    ASSERT_EQ(rig.Controls(kInitiateAbortBulkIn).size(), 1u);
    const std::size_t checks = rig.Controls(kCheckAbortBulkInStatus).size();
    if (c.checks == SIZE_MAX) {
        EXPECT_GT(checks, 1u);
        EXPECT_LE(checks, 100u);
    } else {
        EXPECT_EQ(checks, c.checks);
    }
    EXPECT_LE(rig.clock.Elapsed(), milliseconds(kTimeoutMs + 2000));
    if (c.extraPendingChecks > 0) {
        EXPECT_EQ(rig.device.controls.back().request, kCheckAbortBulkInStatus);
    }
    EXPECT_TRUE(rig.IdentityAnswers());
}

INSTANTIATE_TEST_SUITE_P(
    DeviceAnswers, UsbtmcAbort,
    ::testing::Values(AbortCase{"Success", 0, 0, false, 1},
                      AbortCase{"Failed", kStatusFailed, 0, false, 0},
                      AbortCase{"TransferNotInProgress", kStatusTransferNotInProgress, 0, false, 0},
                      AbortCase{"PendingWithDataTwice", 0, 2, false, 3},
                      AbortCase{"PendingForever", 0, 0, true, SIZE_MAX}),
    [](const ::testing::TestParamInfo<AbortCase>& info) { return info.param.name; });

struct HeaderCase {
    const char* name;
    ReplyFault fault;
    ViStatus status;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class UsbtmcBadHeader : public ::testing::TestWithParam<HeaderCase> {};

// Whole transfers that end in a short packet: nothing to abort.
TEST_P(UsbtmcBadHeader, DeliversNothingAndTheNextQueryParses) {
    const HeaderCase& c = GetParam();
    Rig rig;
    ASSERT_TRUE(rig.IdentityAnswers());
    rig.device.FaultReply(c.fault);

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, c.status);
    if (c.status == VI_SUCCESS) {
        EXPECT_EQ(rig.reply, BlockReply());
    } else {
        EXPECT_EQ(result.count, 0u);
    }
    EXPECT_TRUE(rig.Controls(kInitiateAbortBulkIn).empty());
    EXPECT_TRUE(rig.IdentityAnswers());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UsbtmcBadHeader,
    ::testing::Values(
        HeaderCase{"PreviousTag", {ReplyFault::kPreviousTag}, VI_ERROR_INP_PROT_VIOL},
        HeaderCase{"BadTagInverse", {ReplyFault::kBadTagInverse}, VI_ERROR_INP_PROT_VIOL},
        HeaderCase{"WrongMsgId", {ReplyFault::kWrongMsgId}, VI_ERROR_INP_PROT_VIOL},
        HeaderCase{"ShorterThanHeader", {ReplyFault::kShortHeader}, VI_ERROR_INP_PROT_VIOL},
        HeaderCase{"OneZeroLengthPacketFirst", {ReplyFault::kLeadingZlps, 1}, VI_SUCCESS},
        HeaderCase{
            "TwoZeroLengthPacketsFirst", {ReplyFault::kLeadingZlps, 2}, VI_ERROR_INP_PROT_VIOL}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return info.param.name; });

TEST(UsbtmcShortTransfer, HeaderPromisingMoreDeliversWhatCameAndFailsAtOnce) {
    Rig rig;
    rig.device.FaultReply({ReplyFault::kCutShort, 150000});

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, VI_ERROR_INP_PROT_VIOL);
    EXPECT_EQ(rig.reply, Head(BlockReply(), 150000));
    EXPECT_EQ(rig.clock.Elapsed(), milliseconds(0));
    EXPECT_TRUE(rig.Controls(kInitiateAbortBulkIn).empty());
    EXPECT_TRUE(rig.IdentityAnswers());
}

TEST(UsbtmcShortTransfer, AlignmentBytesNeverStartTheNextReply) {
    Rig rig;
    rig.device.extraAlignment = 7;
    rig.device.Answer("A?\n", Bytes("ABCDE\n"));

    ASSERT_EQ(rig.Query("A?\n").status, VI_SUCCESS);
    EXPECT_EQ(rig.reply, Bytes("ABCDE\n"));
    EXPECT_TRUE(rig.IdentityAnswers());
}

TEST(UsbtmcTransportFailure, BulkInStallIsClearedAndKeepsWhatArrived) {
    Rig rig;
    rig.device.FaultReply({ReplyFault::kStall, 1000});

    const IoResult result = rig.Query("DR?\n");

    EXPECT_EQ(result.status, VI_ERROR_IO);
    EXPECT_EQ(rig.reply, Head(BlockReply(), 512 - 12));
    EXPECT_EQ(rig.device.clearedHalts, std::vector<std::uint8_t>{ScriptedUsbDevice::kInEndpoint});
    EXPECT_TRUE(rig.IdentityAnswers());
}

TEST(UsbtmcTransportFailure, BulkOutStallIsCleared) {
    Rig rig;
    rig.device.nextOutFault = ReplyFault::kStall;

    EXPECT_EQ(rig.Send("*idn?\n").status, VI_ERROR_IO);
    EXPECT_EQ(rig.device.clearedHalts, std::vector<std::uint8_t>{ScriptedUsbDevice::kOutEndpoint});
    EXPECT_TRUE(rig.IdentityAnswers());
}

// The device halts Bulk-OUT when the abort completes, so a missing clear
// would fail the next query.
TEST(UsbtmcTransportFailure, WriteTimeoutAbortsBulkOut) {
    Rig rig;
    rig.device.nextOutFault = ReplyFault::kNak;

    const IoResult result = rig.Send("*idn?\n");

    EXPECT_EQ(result.status, VI_ERROR_TMO);
    EXPECT_EQ(result.count, 0u);
    ASSERT_EQ(rig.device.controls.size(), 2u);
    EXPECT_EQ(rig.device.controls[0].request, kInitiateAbortBulkOut);
    EXPECT_EQ(rig.device.controls[0].value, 1);
    EXPECT_EQ(rig.device.controls[0].index, ScriptedUsbDevice::kOutEndpoint);
    EXPECT_EQ(rig.device.controls[1].request, kCheckAbortBulkOutStatus);
    EXPECT_TRUE(rig.IdentityAnswers());
}

TEST(UsbtmcTransportFailure, VanishedDeviceKeepsBytesAndFailsEveryLaterCallAtOnce) {
    struct Case {
        const char* name;
        ReplyFault::Kind outFault;
        ReplyFault inFault;
        std::size_t kept;
    };
    const Case cases[] = {
        {"during read", ReplyFault::kNone, {ReplyFault::kVanish, 100000}, kWholePacketsOf100000},
        {"during write", ReplyFault::kVanish, {}, 0},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.device.nextOutFault = c.outFault;
        rig.device.FaultReply(c.inFault);

        const IoResult result = rig.Query("DR?\n");
        EXPECT_EQ(result.status, VI_ERROR_CONN_LOST) << c.name;
        EXPECT_EQ(result.count, c.kept) << c.name;
        EXPECT_EQ(Head(rig.reply, result.count), Head(BlockReply(), c.kept)) << c.name;

        const std::size_t callsBefore = rig.device.TransportCalls();
        EXPECT_EQ(rig.Send("*idn?\n").status, VI_ERROR_CONN_LOST) << c.name;
        EXPECT_EQ(rig.Receive().status, VI_ERROR_CONN_LOST) << c.name;
        EXPECT_EQ(rig.device.TransportCalls(), callsBefore) << c.name;
    }
}

}  // namespace
}  // namespace zvisa::usbtmc::testing
