#include "share/AbortChannel.h"

#include "vxi11/Vxi11Protocol.h"

using namespace zvisa::vxi11;

AbortChannel::AbortChannel(LinkTable& links, NetAddress peer)
    : RpcProgram(kAbortProgram, kVxi11Version), links_(links), peer_(peer) {}

AcceptStat AbortChannel::Call(std::uint32_t procedure, XdrReader& args, XdrWriter& results) {
    if (procedure == kProcNull) {
        return kSuccess;
    }
    if (procedure != kDeviceAbort) {
        return kProcUnavail;
    }
    std::int32_t lid = 0;
    if (!DecodeLinkId(args, lid)) {
        return kGarbageArgs;
    }
    std::shared_ptr<Link> link = links_.Find(lid);
    if (!link || !link->Client().SameHost(peer_)) {
        EncodeError(results, kErrInvalidLinkId);
        return kSuccess;
    }
    link->Terminate();
    EncodeError(results, kErrNone);
    return kSuccess;
}
