#include "api/InstrumentSession.h"

#include <algorithm>
#include <cstring>

namespace zvisa {

namespace {

constexpr ViUInt16 kKnownFlushBits = 0xFF;

template <typename T>
void Store(ViUInt32 number, void* out) {
    const T value = static_cast<T>(number);
    std::memcpy(out, &value, sizeof value);
}

// A buffer may be flushed or discarded, not both.
bool IsValidFlushMask(ViUInt16 mask) {
    const auto both = [mask](ViUInt16 flush, ViUInt16 discard) {
        return (mask & flush) != 0 && (mask & discard) != 0;
    };
    return mask != 0 && (mask & ~kKnownFlushBits) == 0 && !both(VI_READ_BUF, VI_READ_BUF_DISCARD) &&
           !both(VI_WRITE_BUF, VI_WRITE_BUF_DISCARD) && !both(VI_IO_IN_BUF, VI_IO_IN_BUF_DISCARD) &&
           !both(VI_IO_OUT_BUF, VI_IO_OUT_BUF_DISCARD);
}

}  // namespace

void StoreAttribute(const SessionAttributes::Value& value, void* out) {
    using Kind = SessionAttributes::Kind;
    switch (value.kind) {
        case Kind::kUInt8:
            Store<ViUInt8>(value.number, out);
            break;
        case Kind::kUInt16:
            Store<ViUInt16>(value.number, out);
            break;
        case Kind::kInt16:
            Store<ViInt16>(value.number, out);
            break;
        case Kind::kBoolean:
            Store<ViBoolean>(value.number, out);
            break;
        case Kind::kUInt32:
            Store<ViUInt32>(value.number, out);
            break;
        case Kind::kString: {
            const std::size_t length = std::min<std::size_t>(value.text.size(), VI_FIND_BUFLEN - 1);
            std::memcpy(out, value.text.data(), length);
            static_cast<char*>(out)[length] = '\0';
            break;
        }
    }
}

InstrumentSession::InstrumentSession(std::shared_ptr<SharedDevice> device,
                                     const std::string& resource)
    : device_(std::move(device)),
      attributes_(resource, device_->Identity(), device_->Capabilities()) {}

InstrumentSession::~InstrumentSession() {
    device_->Locks().Release(this);
}

void InstrumentSession::Terminate() {
    stop_.Terminate();
    device_->WakeCallsOf(this);
}

// The session's calls may still be running in other threads, holding it;
// they end at once, and the locks go now, not when the last of them returns.
void InstrumentSession::Close() {
    stop_.Close();
    device_->Locks().Release(this);
    device_->WakeCallsOf(this);
}

usbtmc::IoResult InstrumentSession::Write(const ViByte* data, ViUInt32 count) {
    return device_->Exclusively(
        this, stop_.Begin(), attributes_.TimeoutMs(), [&](usbtmc::UsbtmcExchange& exchange) {
            return exchange.Write(data, count, attributes_.TimeoutMs(), attributes_.SendEnd());
        });
}

usbtmc::IoResult InstrumentSession::Read(ViByte* buffer, ViUInt32 count) {
    return device_->Exclusively(
        this, stop_.Begin(), attributes_.TimeoutMs(), [&](usbtmc::UsbtmcExchange& exchange) {
            return exchange.Read(buffer, count, attributes_.TimeoutMs(), attributes_.Termination());
        });
}

ViStatus InstrumentSession::Clear() {
    return device_
        ->Exclusively(this, stop_.Begin(), attributes_.TimeoutMs(),
                      [](usbtmc::UsbtmcExchange& exchange) {
                          return usbtmc::IoResult{exchange.Clear(), 0};
                      })
        .status;
}

ViStatus InstrumentSession::ReadStatusByte(ViUInt16& statusByte) {
    if (const ViStatus locked = device_->Locks().CheckAccess(this); locked != VI_SUCCESS) {
        return locked;
    }
    if (!device_->Capabilities().usb488) {
        return VI_ERROR_NSUP_OPER;
    }
    return device_
        ->Exclusively(this, stop_.Begin(), attributes_.TimeoutMs(),
                      [&](usbtmc::UsbtmcExchange& exchange) {
                          return usbtmc::IoResult{
                              exchange.ReadStatusByte(statusByte, attributes_.TimeoutMs()), 0};
                      })
        .status;
}

ViStatus InstrumentSession::AssertTrigger(ViUInt16 protocol) {
    if (protocol != VI_TRIG_PROT_DEFAULT) {
        return VI_ERROR_INV_PROT;
    }
    if (const ViStatus locked = device_->Locks().CheckAccess(this); locked != VI_SUCCESS) {
        return locked;
    }
    if (!device_->Capabilities().trigger) {
        return VI_ERROR_NSUP_OPER;
    }
    return device_
        ->Exclusively(this, stop_.Begin(), attributes_.TimeoutMs(),
                      [&](usbtmc::UsbtmcExchange& exchange) {
                          return usbtmc::IoResult{exchange.Trigger(attributes_.TimeoutMs()), 0};
                      })
        .status;
}

// Reads and writes go straight to the device, so there is no buffer to flush.
ViStatus InstrumentSession::Flush(ViUInt16 mask) {
    if (!IsValidFlushMask(mask)) {
        return VI_ERROR_INV_MASK;
    }
    return device_->Locks().CheckAccess(this);
}

ViStatus InstrumentSession::Lock(ViAccessMode type, ViUInt32 timeoutMs,
                                 const std::string& requestedKey, std::string& accessKey) {
    return device_->Lock(this, stop_.Begin(), type, timeoutMs, requestedKey, accessKey);
}

ViStatus InstrumentSession::Unlock() {
    return device_->Locks().Unlock(this);
}

ViStatus InstrumentSession::GetAttribute(ViAttr attribute, void* value) const {
    if (attribute == VI_ATTR_RSRC_LOCK_STATE) {
        StoreAttribute({SessionAttributes::Kind::kUInt32, device_->Locks().State(), {}}, value);
        return VI_SUCCESS;
    }
    const std::optional<SessionAttributes::Value> found = attributes_.Get(attribute);
    if (!found) {
        return VI_ERROR_NSUP_ATTR;
    }
    StoreAttribute(*found, value);
    return VI_SUCCESS;
}

ViStatus InstrumentSession::SetAttribute(ViAttr attribute, ViAttrState value) {
    if (attribute == VI_ATTR_RSRC_LOCK_STATE) {
        return VI_ERROR_ATTR_READONLY;
    }
    return attributes_.Set(attribute, value);
}

}  // namespace zvisa
