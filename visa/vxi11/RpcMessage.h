#pragma once

#include <cstdint>

#include "vxi11/XdrReader.h"
#include "vxi11/XdrWriter.h"

// ONC RPC version 2 call and reply headers (RFC 5531). Credentials and verifiers are skipped on
// decoding (VXI-11 and the portmapper use none) and sent as AUTH_NONE.
namespace zvisa::vxi11 {

constexpr std::uint32_t kRpcVersion = 2;
// An opaque_auth body is at most 400 bytes.
constexpr std::size_t kMaxAuthBody = 400;

enum MsgType : std::uint32_t { kCall = 0, kReply = 1 };
enum ReplyStat : std::uint32_t { kMsgAccepted = 0, kMsgDenied = 1 };
enum AcceptStat : std::uint32_t {
    kSuccess = 0,
    kProgUnavail = 1,
    kProgMismatch = 2,
    kProcUnavail = 3,
    kGarbageArgs = 4,
    kSystemErr = 5,
};
enum RejectStat : std::uint32_t { kRpcMismatch = 0, kAuthError = 1 };

struct CallHeader {
    std::uint32_t xid = 0;
    std::uint32_t program = 0;
    std::uint32_t version = 0;
    std::uint32_t procedure = 0;
};

enum class CallStatus {
    kOk,               // the reader is at the call's arguments
    kWrongRpcVersion,  // answer with a denied RPC_MISMATCH reply to the xid read
    kMalformed,        // not a call, or cut short: drop it
};

CallStatus DecodeCallHeader(XdrReader& in, CallHeader& call);
void EncodeCallHeader(XdrWriter& out, const CallHeader& call);

struct ReplyHeader {
    std::uint32_t xid = 0;
    ReplyStat replyStat = kMsgAccepted;
    AcceptStat acceptStat = kSuccess;      // when accepted
    RejectStat rejectStat = kRpcMismatch;  // when denied
    // PROG_MISMATCH or RPC_MISMATCH: the versions the server supports.
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::uint32_t authStat = 0;  // AUTH_ERROR
};

// An accepted reply's header; with kSuccess the results follow.
void EncodeAcceptedReply(XdrWriter& out, std::uint32_t xid, AcceptStat stat);
void EncodeProgMismatchReply(XdrWriter& out, std::uint32_t xid, std::uint32_t low,
                             std::uint32_t high);
void EncodeRpcMismatchReply(XdrWriter& out, std::uint32_t xid);
// False when the message is no reply or is cut short; after an accepted kSuccess the reader is at
// the results.
bool DecodeReplyHeader(XdrReader& in, ReplyHeader& reply);

}  // namespace zvisa::vxi11
