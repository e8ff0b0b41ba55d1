// The VXI-11 wire layer against bytes written by hand from RFC 4506, RFC 5531, RFC 1833 and the
// VXI-11 message layouts, so both ends do not merely agree with each other.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "vxi11/Portmapper.h"
#include "vxi11/RecordMarking.h"
#include "vxi11/RpcMessage.h"
#include "vxi11/Vxi11Protocol.h"
#include "vxi11/XdrReader.h"
#include "vxi11/XdrWriter.h"

using namespace zvisa::vxi11;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Words(std::initializer_list<std::uint32_t> words) {
    XdrWriter out;
    for (std::uint32_t w : words) {
        out.PutUint32(w);
    }
    return out.Take();
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

struct OpaqueCase {
    std::size_t length;
    std::size_t encodedSize;
};

void PrintTo(const OpaqueCase& c, std::ostream* os) {
    *os << "Length" << c.length;
}

class XdrOpaque : public testing::TestWithParam<OpaqueCase> {};

TEST_P(XdrOpaque, PadsToFourAndReadsBack) {
    Bytes data(GetParam().length, 0xAB);
    XdrWriter out;
    out.PutOpaque(data.data(), data.size());
    out.PutUint32(7);
    ASSERT_EQ(out.Bytes().size(), GetParam().encodedSize + 4);
    for (std::size_t i = 4 + data.size(); i < GetParam().encodedSize; ++i) {
        EXPECT_EQ(out.Bytes()[i], 0) << "padding byte " << i;
    }
    XdrReader in(out.Bytes());
    EXPECT_EQ(in.GetOpaque(16), data);
    EXPECT_EQ(in.GetUint32(), 7u);
    EXPECT_TRUE(in.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(Lengths, XdrOpaque,
                         testing::Values(OpaqueCase{0, 4}, OpaqueCase{1, 8}, OpaqueCase{3, 8},
                                         OpaqueCase{4, 8}, OpaqueCase{5, 12}),
                         [](const testing::TestParamInfo<OpaqueCase>& info) {
                             return testing::PrintToString(info.param);
                         });

struct BadXdrCase {
    const char* name;
    Bytes bytes;
};

void PrintTo(const BadXdrCase& c, std::ostream* os) {
    *os << c.name;
}

class XdrBadInput : public testing::TestWithParam<BadXdrCase> {};

// Each input fails the reader, which then yields nothing more.
TEST_P(XdrBadInput, FailsForGood) {
    XdrReader in(GetParam().bytes);
    in.GetOpaque(8);
    EXPECT_FALSE(in.Ok()) << GetParam().name;
    EXPECT_EQ(in.GetUint32(), 0u);
    EXPECT_EQ(in.Remaining(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XdrBadInput,
    testing::Values(BadXdrCase{"LengthCutShort", {0, 0}},
                    BadXdrCase{"DataCutShort", {0, 0, 0, 5, 'a', 'b', 'c', 'd'}},
                    BadXdrCase{"PaddingMissing", {0, 0, 0, 3, 'a', 'b', 'c'}},
                    BadXdrCase{"AboveTheBound", {0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}},
                    BadXdrCase{"LengthNear2To32", {0xFF, 0xFF, 0xFF, 0xFD, 1, 2, 3, 4}}),
    [](const testing::TestParamInfo<BadXdrCase>& info) { return std::string(info.param.name); });

TEST(XdrReader, BooleansAreZeroOrOne) {
    Bytes bytes = Words({1, 0, 2});
    XdrReader in(bytes);
    EXPECT_TRUE(in.GetBool());
    EXPECT_FALSE(in.GetBool());
    EXPECT_TRUE(in.Ok());
    in.GetBool();
    EXPECT_FALSE(in.Ok());
}

TEST(RecordMarking, FrameSetsTheLastFragmentBit) {
    EXPECT_EQ(FrameRecord({1, 2, 3}), (Bytes{0x80, 0, 0, 3, 1, 2, 3}));
}

struct AssemblyCase {
    const char* name;
    Bytes stream;
    std::vector<Bytes> records;
};

void PrintTo(const AssemblyCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordAssembly : public testing::TestWithParam<AssemblyCase> {};

// The same stream fed whole, byte by byte and in pieces of three gives the same records.
TEST_P(RecordAssembly, GivesTheRecordsWhateverThePieces) {
    for (std::size_t piece : {GetParam().stream.size(), std::size_t{1}, std::size_t{3}}) {
        RecordAssembler assembler(8);
        for (std::size_t at = 0; at < GetParam().stream.size(); at += piece) {
            std::size_t n = std::min(piece, GetParam().stream.size() - at);
            ASSERT_TRUE(assembler.Feed(GetParam().stream.data() + at, n)) << GetParam().name;
        }
        for (const Bytes& record : GetParam().records) {
            EXPECT_EQ(assembler.NextRecord(), record) << GetParam().name << ", pieces " << piece;
        }
        EXPECT_FALSE(assembler.NextRecord().has_value());
        EXPECT_FALSE(assembler.InRecord());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, RecordAssembly,
    testing::Values(AssemblyCase{"OneFragment", {0x80, 0, 0, 2, 7, 8}, {{7, 8}}},
                    AssemblyCase{"TwoFragments", {0, 0, 0, 1, 7, 0x80, 0, 0, 2, 8, 9}, {{7, 8, 9}}},
                    AssemblyCase{"EmptyLastFragment", {0, 0, 0, 1, 7, 0x80, 0, 0, 0}, {{7}}},
                    AssemblyCase{"TwoRecords", {0x80, 0, 0, 1, 1, 0x80, 0, 0, 1, 2}, {{1}, {2}}},
                    AssemblyCase{"EmptyRecord", {0x80, 0, 0, 0}, {{}}},
                    AssemblyCase{"AtTheBound",
                                 {0x80, 0, 0, 8, 1, 2, 3, 4, 5, 6, 7, 8},
                                 {{1, 2, 3, 4, 5, 6, 7, 8}}}),
    [](const testing::TestParamInfo<AssemblyCase>& info) { return std::string(info.param.name); });

struct OversizeCase {
    const char* name;
    Bytes stream;
};

void PrintTo(const OversizeCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordOversize : public testing::TestWithParam<OversizeCase> {};

TEST_P(RecordOversize, FailsWithoutBuffering) {
    RecordAssembler assembler(8);
    EXPECT_FALSE(assembler.Feed(GetParam().stream.data(), GetParam().stream.size()))
        << GetParam().name;
    EXPECT_TRUE(assembler.Failed());
    EXPECT_FALSE(assembler.NextRecord().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, RecordOversize,
    testing::Values(OversizeCase{"OneFragment", {0x80, 0, 0, 9}},
                    OversizeCase{"HugeLength", {0xFF, 0xFF, 0xFF, 0xFF}},
                    OversizeCase{"FragmentsAddingUp", {0, 0, 0, 5, 1, 2, 3, 4, 5, 0x80, 0, 0, 4}}),
    [](const testing::TestParamInfo<OversizeCase>& info) { return std::string(info.param.name); });

TEST(RecordMarking, CutRecordIsSeen) {
    RecordAssembler assembler(64);
    Bytes half{0x80, 0, 0, 4, 1, 2};
    assembler.Feed(half.data(), half.size());
    EXPECT_TRUE(assembler.InRecord());
    EXPECT_FALSE(assembler.NextRecord().has_value());
}

// A call with an AUTH_UNIX credential whose body is skipped.
const Bytes kCallWithCredential = Cat(Words({0x1234, kCall, 2, kCoreProgram, 1, kCreateLink, 1, 8}),
                                      Cat(Words({0xAAAAAAAA, 0xBBBBBBBB}), Words({0, 0, 42})));

struct CallCase {
    const char* name;
    Bytes bytes;
    CallStatus status;
};

void PrintTo(const CallCase& c, std::ostream* os) {
    *os << c.name;
}

class RpcCallDecoding : public testing::TestWithParam<CallCase> {};

TEST_P(RpcCallDecoding, Status) {
    XdrReader in(GetParam().bytes);
    CallHeader call;
    EXPECT_EQ(DecodeCallHeader(in, call), GetParam().status) << GetParam().name;
    EXPECT_EQ(call.xid, 0x1234u) << GetParam().name;
    if (GetParam().status == CallStatus::kOk) {
        EXPECT_EQ(call.program, kCoreProgram);
        EXPECT_EQ(call.procedure, static_cast<std::uint32_t>(kCreateLink));
        EXPECT_EQ(in.GetUint32(), 42u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RpcCallDecoding,
    testing::Values(
        CallCase{"CredentialSkipped", kCallWithCredential, CallStatus::kOk},
        CallCase{"RpcVersion3", Words({0x1234, kCall, 3, kCoreProgram, 1, 10, 0, 0, 0, 0}),
                 CallStatus::kWrongRpcVersion},
        CallCase{"AReply", Words({0x1234, kReply, 0}), CallStatus::kMalformed},
        CallCase{"VerifierCut", Words({0x1234, kCall, 2, kCoreProgram, 1, 10, 0, 0, 0}),
                 CallStatus::kMalformed},
        CallCase{"CredentialOver400Bytes",
                 Cat(Words({0x1234, kCall, 2, kCoreProgram, 1, 10, 1, 404}), Bytes(420, 0)),
                 CallStatus::kMalformed}),
    [](const testing::TestParamInfo<CallCase>& info) { return std::string(info.param.name); });

TEST(RpcMessage, CallHeaderIsAuthNone) {
    XdrWriter out;
    EncodeCallHeader(out, {7, kPortmapperProgram, 2, kPmapGetPort});
    EXPECT_EQ(out.Bytes(), Words({7, kCall, 2, kPortmapperProgram, 2, kPmapGetPort, 0, 0, 0, 0}));
}

struct ReplyCase {
    const char* name;
    Bytes bytes;
    ReplyHeader expected;
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class RpcReplyEncoding : public testing::TestWithParam<ReplyCase> {};

TEST_P(RpcReplyEncoding, DecodesWhatTheServerSends) {
    XdrReader in(GetParam().bytes);
    ReplyHeader reply;
    ASSERT_TRUE(DecodeReplyHeader(in, reply)) << GetParam().name;
    EXPECT_EQ(reply.xid, 9u);
    EXPECT_EQ(reply.replyStat, GetParam().expected.replyStat);
    EXPECT_EQ(reply.acceptStat, GetParam().expected.acceptStat);
    EXPECT_EQ(reply.low, GetParam().expected.low);
    EXPECT_EQ(reply.high, GetParam().expected.high);
    EXPECT_TRUE(in.AtEnd());
}

Bytes Encoded(void (*encode)(XdrWriter&)) {
    XdrWriter out;
    encode(out);
    return out.Take();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RpcReplyEncoding,
    testing::Values(ReplyCase{"Success",
                              Encoded([](XdrWriter& o) { EncodeAcceptedReply(o, 9, kSuccess); }),
                              {9, kMsgAccepted, kSuccess}},
                    ReplyCase{"ProgMismatch",
                              Encoded([](XdrWriter& o) { EncodeProgMismatchReply(o, 9, 2, 2); }),
                              {9, kMsgAccepted, kProgMismatch, kRpcMismatch, 2, 2}},
                    ReplyCase{"RpcMismatch",
                              Encoded([](XdrWriter& o) { EncodeRpcMismatchReply(o, 9); }),
                              {9, kMsgDenied, kSuccess, kRpcMismatch, 2, 2}},
                    ReplyCase{"ProcUnavailByHand",
                              Words({9, kReply, kMsgAccepted, 0, 0, kProcUnavail}),
                              {9, kMsgAccepted, kProcUnavail}}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST(RpcMessage, RejectsReplyCutShortOrUnknown) {
    for (const Bytes& bytes :
         {Words({9, kReply, kMsgAccepted, 0, 0}), Words({9, kReply, kMsgAccepted, 0, 0, 6}),
          Words({9, kReply, 2}), Words({9, kCall})}) {
        XdrReader in(bytes);
        ReplyHeader reply;
        EXPECT_FALSE(DecodeReplyHeader(in, reply));
    }
}

TEST(Portmapper, DumpListRoundTripsAndIsBounded) {
    std::vector<Mapping> mappings{{kCoreProgram, 1, kIpProtoTcp, 1024},
                                  {kAbortProgram, 1, kIpProtoTcp, 1025}};
    XdrWriter out;
    EncodeDumpReply(out, mappings);
    EXPECT_EQ(out.Bytes(), Words({1, kCoreProgram, 1, 6, 1024, 1, kAbortProgram, 1, 6, 1025, 0}));
    std::vector<Mapping> decoded;
    XdrReader in(out.Bytes());
    EXPECT_TRUE(DecodeDumpReply(in, decoded, 2));
    EXPECT_EQ(decoded, mappings);
    XdrReader bounded(out.Bytes());
    EXPECT_FALSE(DecodeDumpReply(bounded, decoded, 1));
    Bytes cut = Words({1, kCoreProgram, 1});
    XdrReader truncated(cut);
    EXPECT_FALSE(DecodeDumpReply(truncated, decoded, 8));
}

// The VXI-11 layouts, field by field as the protocol lays them out.
TEST(Vxi11Layout, CallsServerDecodes) {
    Bytes createLink = Cat(Words({5, 1, 10000, 5}), Bytes{'i', 'n', 's', 't', '0', 0, 0, 0});
    XdrReader a(createLink);
    CreateLinkParms link;
    ASSERT_TRUE(Decode(a, link));
    EXPECT_EQ(link.clientId, 5);
    EXPECT_TRUE(link.lockDevice);
    EXPECT_EQ(link.lockTimeout, 10000u);
    EXPECT_EQ(link.device, "inst0");

    Bytes read = Words({3, 1024, 2000, 100, kFlagTermCharSet | kFlagWaitLock, '\n'});
    XdrReader b(read);
    DeviceReadParms rp;
    ASSERT_TRUE(Decode(b, rp));
    EXPECT_EQ(rp.lid, 3);
    EXPECT_EQ(rp.requestSize, 1024u);
    EXPECT_EQ(rp.ioTimeout, 2000u);
    EXPECT_EQ(rp.lockTimeout, 100u);
    EXPECT_EQ(rp.termChar, '\n');

    // Generic parms: lock_timeout comes before io_timeout.
    Bytes generic = Words({3, kFlagWaitLock, 100, 2000});
    XdrReader c(generic);
    DeviceGenericParms gp;
    ASSERT_TRUE(Decode(c, gp));
    EXPECT_EQ(gp.lockTimeout, 100u);
    EXPECT_EQ(gp.ioTimeout, 2000u);

    Bytes write = Cat(Words({3, 2000, 100, kFlagEnd, 5}), Bytes{'*', 'I', 'D', 'N', '?', 0, 0, 0});
    DeviceWriteParms wp;
    XdrReader d(write);
    ASSERT_TRUE(Decode(d, wp, 5));
    EXPECT_EQ(wp.flags, kFlagEnd);
    EXPECT_EQ(std::string(wp.data.begin(), wp.data.end()), "*IDN?");
    XdrReader e(write);
    EXPECT_FALSE(Decode(e, wp, 4)) << "data above max_recv_size";
}

TEST(Vxi11Layout, RepliesClientDecodes) {
    XdrWriter out;
    Encode(out, CreateLinkResp{kErrNone, 7, 1025, 65536});
    EXPECT_EQ(out.Bytes(), Words({0, 7, 1025, 65536}));
    CreateLinkResp link;
    XdrReader a(out.Bytes());
    ASSERT_TRUE(Decode(a, link));
    EXPECT_EQ(link.abortPort, 1025);

    XdrWriter readOut;
    Encode(readOut, DeviceReadResp{kErrNone, kReasonEnd, {'1', '\n'}});
    EXPECT_EQ(readOut.Bytes(), Cat(Words({0, 4, 2}), Bytes{'1', '\n', 0, 0}));
    DeviceReadResp resp;
    XdrReader b(readOut.Bytes());
    ASSERT_TRUE(Decode(b, resp, 2));
    EXPECT_EQ(resp.reason, kReasonEnd);
    XdrReader c(readOut.Bytes());
    EXPECT_FALSE(Decode(c, resp, 1)) << "more data than requested";

    XdrWriter stbOut;
    Encode(stbOut, DeviceReadStbResp{kErrNone, 0x50});
    EXPECT_EQ(stbOut.Bytes(), Words({0, 0x50}));
}
