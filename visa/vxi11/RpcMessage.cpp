#include "vxi11/RpcMessage.h"

namespace zvisa::vxi11 {

namespace {

constexpr std::uint32_t kAuthNone = 0;

void SkipAuth(XdrReader& in) {
    in.GetUint32();  // flavour: any is accepted, none is checked
    in.SkipOpaque(kMaxAuthBody);
}

void PutAuthNone(XdrWriter& out) {
    out.PutUint32(kAuthNone);
    out.PutUint32(0);
}

}  // namespace

CallStatus DecodeCallHeader(XdrReader& in, CallHeader& call) {
    call.xid = in.GetUint32();
    if (in.GetUint32() != kCall || !in.Ok()) {
        return CallStatus::kMalformed;
    }
    std::uint32_t rpcVersion = in.GetUint32();
    call.program = in.GetUint32();
    call.version = in.GetUint32();
    call.procedure = in.GetUint32();
    if (!in.Ok()) {
        return CallStatus::kMalformed;
    }
    if (rpcVersion != kRpcVersion) {
        return CallStatus::kWrongRpcVersion;
    }
    SkipAuth(in);
    SkipAuth(in);
    return in.Ok() ? CallStatus::kOk : CallStatus::kMalformed;
}

void EncodeCallHeader(XdrWriter& out, const CallHeader& call) {
    out.PutUint32(call.xid);
    out.PutUint32(kCall);
    out.PutUint32(kRpcVersion);
    out.PutUint32(call.program);
    out.PutUint32(call.version);
    out.PutUint32(call.procedure);
    PutAuthNone(out);
    PutAuthNone(out);
}

void EncodeAcceptedReply(XdrWriter& out, std::uint32_t xid, AcceptStat stat) {
    out.PutUint32(xid);
    out.PutUint32(kReply);
    out.PutUint32(kMsgAccepted);
    PutAuthNone(out);
    out.PutUint32(stat);
}

void EncodeProgMismatchReply(XdrWriter& out, std::uint32_t xid, std::uint32_t low,
                             std::uint32_t high) {
    EncodeAcceptedReply(out, xid, kProgMismatch);
    out.PutUint32(low);
    out.PutUint32(high);
}

void EncodeRpcMismatchReply(XdrWriter& out, std::uint32_t xid) {
    out.PutUint32(xid);
    out.PutUint32(kReply);
    out.PutUint32(kMsgDenied);
    out.PutUint32(kRpcMismatch);
    out.PutUint32(kRpcVersion);
    out.PutUint32(kRpcVersion);
}

bool DecodeReplyHeader(XdrReader& in, ReplyHeader& reply) {
    reply.xid = in.GetUint32();
    if (in.GetUint32() != kReply) {
        return false;
    }
    std::uint32_t replyStat = in.GetUint32();
    if (replyStat == kMsgAccepted) {
        reply.replyStat = kMsgAccepted;
        SkipAuth(in);
        std::uint32_t stat = in.GetUint32();
        if (stat > kSystemErr) {
            return false;
        }
        reply.acceptStat = static_cast<AcceptStat>(stat);
        if (stat == kProgMismatch) {
            reply.low = in.GetUint32();
            reply.high = in.GetUint32();
        }
        return in.Ok();
    }
    if (replyStat != kMsgDenied) {
        return false;
    }
    reply.replyStat = kMsgDenied;
    std::uint32_t reject = in.GetUint32();
    if (reject == kRpcMismatch) {
        reply.rejectStat = kRpcMismatch;
        reply.low = in.GetUint32();
        reply.high = in.GetUint32();
    } else if (reject == kAuthError) {
        reply.rejectStat = kAuthError;
        reply.authStat = in.GetUint32();
    } else {
        return false;
    }
    return in.Ok();
}

}  // namespace zvisa::vxi11
