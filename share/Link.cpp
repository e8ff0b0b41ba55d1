#include "share/Link.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace zvisa::vxi11;

namespace {

// A message bigger than any the meter takes or gives; a write joined past it is refused.
constexpr std::size_t kMaxMessage = 1 << 20;
// A read asks the meter for this much at least, so a client reading in small pieces makes one
// USB transfer, not many.
constexpr std::uint32_t kReadAheadSize = 1 << 16;
constexpr auto kLockPollInterval = std::chrono::milliseconds(5);
// viGpibControlREN modes: remote and addressed, go to local.
constexpr ViUInt16 kRenAssertAddress = 3;
constexpr ViUInt16 kRenAddressGtl = 6;

std::int32_t DeviceErrorOf(ViStatus status) {
    if (status >= VI_SUCCESS) {
        return kErrNone;
    }
    switch (status) {
        case VI_ERROR_TMO:
            return kErrIoTimeout;
        case VI_ERROR_RSRC_LOCKED:
            return kErrLocked;
        case VI_ERROR_SESN_NLOCKED:
            return kErrNoLockHeld;
        case VI_ERROR_ABORT:
            return kErrAbort;
        case VI_ERROR_NSUP_OPER:
            return kErrNotSupported;
        default:
            return kErrIoError;
    }
}

}  // namespace

Link::Link(std::int32_t lid, std::string device, std::string resource, NetAddress client,
           ViSession resourceManager)
    : lid_(lid), device_(std::move(device)), resource_(std::move(resource)), client_(client) {
    if (viOpen(resourceManager, resource_.c_str(), VI_NULL, 0, &session_) < VI_SUCCESS) {
        session_ = VI_NULL;
        openError_ = kErrNotAccessible;
    }
}

Link::~Link() {
    if (session_ != VI_NULL) {
        viClose(session_);  // releases the lock with the session
    }
}

template <typename Operation>
ViStatus Link::WaitingForLock(std::uint32_t flags, std::uint32_t lockTimeout, Operation operation) {
    terminated_ = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockTimeout);
    for (;;) {
        ViStatus status = operation();
        if (status != VI_ERROR_RSRC_LOCKED || (flags & kFlagWaitLock) == 0) {
            return status;
        }
        if (terminated_) {
            return VI_ERROR_ABORT;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return VI_ERROR_RSRC_LOCKED;
        }
        std::this_thread::sleep_for(kLockPollInterval);
    }
}

ViStatus Link::SetTimeout(std::uint32_t ioTimeout) {
    if (timeoutSet_ && ioTimeout == ioTimeout_) {
        return VI_SUCCESS;
    }
    ViStatus status = viSetAttribute(session_, VI_ATTR_TMO_VALUE, ioTimeout);
    timeoutSet_ = status >= VI_SUCCESS;
    ioTimeout_ = ioTimeout;
    return status;
}

ViStatus Link::SetTermChar(bool enabled, std::uint8_t termChar) {
    if (enabled != termCharEnabled_) {
        ViStatus status =
            viSetAttribute(session_, VI_ATTR_TERMCHAR_EN, enabled ? VI_TRUE : VI_FALSE);
        if (status < VI_SUCCESS) {
            return status;
        }
        termCharEnabled_ = enabled;
    }
    if (enabled && termChar != termChar_) {
        ViStatus status = viSetAttribute(session_, VI_ATTR_TERMCHAR, termChar);
        if (status < VI_SUCCESS) {
            return status;
        }
        termChar_ = termChar;
    }
    return VI_SUCCESS;
}

void Link::DropMessages() {
    unended_.clear();
    readAhead_.clear();
    readAheadOffset_ = 0;
}

ViStatus Link::FlushWrite() {
    ViUInt32 written = 0;
    ViStatus status =
        viWrite(session_, unended_.data(), static_cast<ViUInt32>(unended_.size()), &written);
    unended_.clear();
    return status;
}

DeviceWriteResp Link::Write(const DeviceWriteParms& parms) {
    if (unended_.size() + parms.data.size() > kMaxMessage) {
        DropMessages();
        return {kErrParameter, 0};
    }
    // A new message: the meter drops an unread reply, and so does the link.
    readAhead_.clear();
    readAheadOffset_ = 0;
    unended_.insert(unended_.end(), parms.data.begin(), parms.data.end());
    if ((parms.flags & kFlagEnd) == 0) {
        return {kErrNone, static_cast<std::uint32_t>(parms.data.size())};
    }
    ViStatus status = WaitingForLock(parms.flags, parms.lockTimeout, [&] {
        ViStatus s = SetTimeout(parms.ioTimeout);
        return s < VI_SUCCESS ? s : FlushWrite();
    });
    unended_.clear();
    std::int32_t error = DeviceErrorOf(status);
    return {error, error == kErrNone ? static_cast<std::uint32_t>(parms.data.size()) : 0};
}

ViStatus Link::ReadAhead(const DeviceReadParms& parms) {
    ViStatus status = SetTimeout(parms.ioTimeout);
    if (status >= VI_SUCCESS) {
        status = SetTermChar((parms.flags & kFlagTermCharSet) != 0, parms.termChar);
    }
    if (status < VI_SUCCESS) {
        return status;
    }
    // pyvisa-py 0.5.1 sends a write between 1024 bytes and maxRecvSize without END: the read
    // that follows says the message is complete.
    if (!unended_.empty() && (status = FlushWrite()) < VI_SUCCESS) {
        return status;
    }
    std::uint32_t size = std::min<std::uint32_t>(std::max(parms.requestSize, kReadAheadSize),
                                                 static_cast<std::uint32_t>(kMaxMessage));
    readAhead_.resize(size);
    readAheadOffset_ = 0;
    ViUInt32 count = 0;
    status = viRead(session_, readAhead_.data(), size, &count);
    readAhead_.resize(status >= VI_SUCCESS ? count : 0);
    readAheadStatus_ = status;
    return status;
}

DeviceReadResp Link::Read(const DeviceReadParms& parms) {
    DeviceReadResp resp;
    if (parms.requestSize == 0) {
        resp.reason = kReasonRequestCount;
        return resp;
    }
    if (readAheadOffset_ == readAhead_.size()) {
        ViStatus status =
            WaitingForLock(parms.flags, parms.lockTimeout, [&] { return ReadAhead(parms); });
        if (status < VI_SUCCESS) {
            DropMessages();
            resp.error = DeviceErrorOf(status);
            return resp;
        }
    }
    auto begin = readAhead_.begin() + static_cast<std::ptrdiff_t>(readAheadOffset_);
    std::size_t take = std::min<std::size_t>(parms.requestSize, readAhead_.end() - begin);
    bool atTermChar = false;
    if ((parms.flags & kFlagTermCharSet) != 0) {
        auto found = std::find(begin, begin + static_cast<std::ptrdiff_t>(take), parms.termChar);
        if (found != begin + static_cast<std::ptrdiff_t>(take)) {
            take = static_cast<std::size_t>(found - begin) + 1;
            atTermChar = true;
        }
    }
    resp.data.assign(begin, begin + static_cast<std::ptrdiff_t>(take));
    readAheadOffset_ += take;
    bool drained = readAheadOffset_ == readAhead_.size();
    if (drained && readAheadStatus_ == VI_SUCCESS) {
        resp.reason |= kReasonEnd;
    }
    if (atTermChar || (drained && readAheadStatus_ == VI_SUCCESS_TERM_CHAR)) {
        resp.reason |= kReasonTermChar;
    }
    if (take == parms.requestSize) {
        resp.reason |= kReasonRequestCount;
    }
    if (drained) {
        readAhead_.clear();
        readAheadOffset_ = 0;
    }
    return resp;
}

DeviceReadStbResp Link::ReadStb(const DeviceGenericParms& parms) {
    ViUInt16 stb = 0;
    ViStatus status = WaitingForLock(parms.flags, parms.lockTimeout, [&] {
        ViStatus s = SetTimeout(parms.ioTimeout);
        return s < VI_SUCCESS ? s : viReadSTB(session_, &stb);
    });
    return {DeviceErrorOf(status), static_cast<std::uint8_t>(stb)};
}

std::int32_t Link::Trigger(const DeviceGenericParms& parms) {
    return DeviceErrorOf(WaitingForLock(parms.flags, parms.lockTimeout, [&] {
        ViStatus s = SetTimeout(parms.ioTimeout);
        return s < VI_SUCCESS ? s : viAssertTrigger(session_, VI_TRIG_PROT_DEFAULT);
    }));
}

std::int32_t Link::Clear(const DeviceGenericParms& parms) {
    ViStatus status = WaitingForLock(parms.flags, parms.lockTimeout, [&] {
        ViStatus s = SetTimeout(parms.ioTimeout);
        return s < VI_SUCCESS ? s : viClear(session_);
    });
    DropMessages();
    return DeviceErrorOf(status);
}

std::int32_t Link::RemoteOrLocal(const DeviceGenericParms& parms, bool remote) {
    ViStatus status = WaitingForLock(parms.flags, parms.lockTimeout, [&] {
        return viGpibControlREN(session_, remote ? kRenAssertAddress : kRenAddressGtl);
    });
    return status == VI_ERROR_NSUP_OPER ? kErrNone : DeviceErrorOf(status);
}

std::int32_t Link::Lock(std::uint32_t flags, std::uint32_t lockTimeout) {
    if (locked_) {
        return kErrNone;
    }
    terminated_ = false;
    std::uint32_t wait = (flags & kFlagWaitLock) != 0 ? lockTimeout : 0;
    ViStatus status = viLock(session_, VI_EXCLUSIVE_LOCK, wait, VI_NULL, VI_NULL);
    if (status == VI_ERROR_TMO || status == VI_ERROR_RSRC_LOCKED) {
        return kErrLocked;
    }
    locked_ = status >= VI_SUCCESS;
    return DeviceErrorOf(status);
}

std::int32_t Link::Unlock() {
    if (!locked_) {
        return kErrNoLockHeld;
    }
    locked_ = false;
    return DeviceErrorOf(viUnlock(session_));
}

void Link::Terminate() {
    terminated_ = true;
    viTerminate(session_, VI_NULL, VI_NULL);
}
