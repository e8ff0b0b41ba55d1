#include "share/CoreChannel.h"

#include "share/ShareLog.h"
#include "vxi11/Vxi11Protocol.h"

using namespace zvisa::vxi11;

namespace {

std::string PeerText(const NetAddress& peer) {
    return (peer.Family() == AF_INET6 ? "[" + peer.Host() + "]" : peer.Host()) + ":" +
           std::to_string(peer.Port());
}

void LogLink(const Link& link, const std::string& what) {
    ShareLog("link " + std::to_string(link.Id()) + " to " + link.Device() + " (" + link.Resource() +
             ") " + what + " for " + PeerText(link.Client()));
}

// The results of a call that returns an error code and nothing else.
struct ErrorOnly {
    std::int32_t error;
};

void Encode(XdrWriter& out, const ErrorOnly& reply) {
    EncodeError(out, reply.error);
}

// The arguments of calls that take a link id and nothing else.
struct LinkIdOnly {
    std::int32_t lid = 0;
};

bool Decode(XdrReader& in, LinkIdOnly& parms) {
    return DecodeLinkId(in, parms.lid);
}

}  // namespace

CoreChannel::CoreChannel(const CoreContext& context, NetAddress peer)
    : RpcProgram(kCoreProgram, kVxi11Version), context_(context), peer_(peer) {}

CoreChannel::~CoreChannel() {
    CloseLinks("client gone");
}

void CoreChannel::CloseLinks(const std::string& why) {
    while (!lids_.empty()) {
        DestroyLink(*lids_.begin(), why);
    }
}

void CoreChannel::Interrupt() {
    std::lock_guard<std::mutex> lock(busyMutex_);
    if (busy_) {
        busy_->Terminate();
    }
}

std::shared_ptr<Link> CoreChannel::Begin(std::int32_t lid) {
    if (lids_.count(lid) == 0) {
        return nullptr;
    }
    std::shared_ptr<Link> link = context_.links.Find(lid);
    std::lock_guard<std::mutex> lock(busyMutex_);
    busy_ = link;
    return link;
}

void CoreChannel::End() {
    std::lock_guard<std::mutex> lock(busyMutex_);
    busy_.reset();
}

CreateLinkResp CoreChannel::CreateLink(const CreateLinkParms& parms) {
    CreateLinkResp resp;
    std::optional<std::string> resource = context_.registry.Resolve(parms.device);
    if (!resource) {
        resp.error = kErrInvalidAddress;
        return resp;
    }
    std::optional<std::int32_t> lid = context_.links.Reserve(peer_);
    if (!lid) {
        resp.error = kErrOutOfResources;
        return resp;
    }
    auto link =
        std::make_shared<Link>(*lid, parms.device, *resource, peer_, context_.resourceManager);
    resp.error = link->OpenError();
    if (resp.error == kErrNone && parms.lockDevice) {
        resp.error = link->Lock(kFlagWaitLock, parms.lockTimeout);
    }
    if (resp.error != kErrNone) {
        context_.links.Commit(peer_, *lid, nullptr);
        return resp;
    }
    context_.links.Commit(peer_, *lid, link);
    lids_.insert(*lid);
    LogLink(*link, "opened");
    resp.lid = *lid;
    resp.abortPort = context_.abortPort;
    resp.maxRecvSize = context_.maxRecvSize;
    return resp;
}

std::int32_t CoreChannel::DestroyLink(std::int32_t lid, const std::string& why) {
    if (lids_.erase(lid) == 0) {
        return kErrInvalidLinkId;
    }
    if (std::shared_ptr<Link> link = context_.links.Remove(lid)) {
        LogLink(*link, "closed (" + why + ")");
    }
    return kErrNone;
}

template <typename Parms, typename Run>
AcceptStat CoreChannel::OnLink(XdrReader& args, XdrWriter& results, Parms parms, Run run) {
    if (!Decode(args, parms)) {
        return kGarbageArgs;
    }
    std::shared_ptr<Link> link = Begin(parms.lid);
    if (!link) {
        decltype(run(*link, parms)) reply{};
        reply.error = kErrInvalidLinkId;
        Encode(results, reply);
        return kSuccess;
    }
    auto reply = run(*link, parms);
    End();
    Encode(results, reply);
    return kSuccess;
}

AcceptStat CoreChannel::Call(std::uint32_t procedure, XdrReader& args, XdrWriter& results) {
    switch (procedure) {
        case kProcNull:
            return kSuccess;
        case kCreateLink: {
            CreateLinkParms parms;
            if (!Decode(args, parms)) {
                return kGarbageArgs;
            }
            Encode(results, CreateLink(parms));
            return kSuccess;
        }
        case kDeviceWrite: {
            DeviceWriteParms parms;
            if (!Decode(args, parms, context_.maxRecvSize)) {
                return kGarbageArgs;
            }
            std::shared_ptr<Link> link = Begin(parms.lid);
            Encode(results, link ? link->Write(parms) : DeviceWriteResp{kErrInvalidLinkId, 0});
            End();
            return kSuccess;
        }
        case kDeviceRead:
            return OnLink(args, results, DeviceReadParms{},
                          [](Link& link, const DeviceReadParms& p) { return link.Read(p); });
        case kDeviceReadStb:
            return OnLink(args, results, DeviceGenericParms{},
                          [](Link& link, const DeviceGenericParms& p) { return link.ReadStb(p); });
        case kDeviceTrigger:
            return OnLink(
                args, results, DeviceGenericParms{},
                [](Link& link, const DeviceGenericParms& p) { return ErrorOnly{link.Trigger(p)}; });
        case kDeviceClear:
            return OnLink(
                args, results, DeviceGenericParms{},
                [](Link& link, const DeviceGenericParms& p) { return ErrorOnly{link.Clear(p)}; });
        case kDeviceRemote:
        case kDeviceLocal: {
            bool remote = procedure == kDeviceRemote;
            return OnLink(args, results, DeviceGenericParms{},
                          [remote](Link& link, const DeviceGenericParms& p) {
                              return ErrorOnly{link.RemoteOrLocal(p, remote)};
                          });
        }
        case kDeviceLock:
            return OnLink(args, results, DeviceLockParms{},
                          [](Link& link, const DeviceLockParms& p) {
                              return ErrorOnly{link.Lock(p.flags, p.lockTimeout)};
                          });
        case kDeviceUnlock:
            return OnLink(args, results, LinkIdOnly{},
                          [](Link& link, const LinkIdOnly&) { return ErrorOnly{link.Unlock()}; });
        case kDestroyLink: {
            LinkIdOnly parms;
            if (!Decode(args, parms)) {
                return kGarbageArgs;
            }
            EncodeError(results, DestroyLink(parms.lid, "destroy_link"));
            return kSuccess;
        }
        case kDeviceEnableSrq: {
            DeviceEnableSrqParms parms;
            if (!Decode(args, parms)) {
                return kGarbageArgs;
            }
            EncodeError(results, kErrNotSupported);
            return kSuccess;
        }
        case kDeviceDocmd: {
            DeviceDocmdParms parms;
            if (!Decode(args, parms, context_.maxRecvSize)) {
                return kGarbageArgs;
            }
            Encode(results, DeviceDocmdResp{kErrNotSupported, {}});
            return kSuccess;
        }
        case kCreateIntrChan:
        case kDestroyIntrChan:
            // No interrupt channel: the arguments do not matter.
            EncodeError(results, kErrNotSupported);
            return kSuccess;
        default:
            return kProcUnavail;
    }
}
