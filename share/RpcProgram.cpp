#include "share/RpcProgram.h"

using namespace zvisa::vxi11;

std::optional<std::vector<std::uint8_t>> RpcProgram::Answer(
    const std::vector<std::uint8_t>& record) {
    XdrReader in(record);
    CallHeader call;
    XdrWriter out;
    switch (DecodeCallHeader(in, call)) {
        case CallStatus::kMalformed:
            return std::nullopt;
        case CallStatus::kWrongRpcVersion:
            EncodeRpcMismatchReply(out, call.xid);
            return out.Take();
        case CallStatus::kOk:
            break;
    }
    if (call.program != program_) {
        EncodeAcceptedReply(out, call.xid, kProgUnavail);
    } else if (call.version != version_) {
        EncodeProgMismatchReply(out, call.xid, version_, version_);
    } else {
        XdrWriter results;
        AcceptStat stat = Call(call.procedure, in, results);
        EncodeAcceptedReply(out, call.xid, stat);
        if (stat == kSuccess) {
            std::vector<std::uint8_t> reply = out.Take();
            const std::vector<std::uint8_t>& body = results.Bytes();
            reply.insert(reply.end(), body.begin(), body.end());
            return reply;
        }
    }
    return out.Take();
}
