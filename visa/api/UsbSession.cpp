#include "api/UsbSession.h"

namespace zvisa {

UsbSession::UsbSession(std::shared_ptr<SharedDevice> device, const std::string& resource)
    : device_(std::move(device)),
      attributes_(resource, device_->Identity(), device_->Capabilities(),
                  device_->InterruptInMaxPacket()) {}

UsbSession::~UsbSession() {
    device_->Locks().Release(this);
}

void UsbSession::Terminate() {
    stop_.Terminate();
    device_->WakeCallsOf(this);
}

// The session's calls may still be running in other threads, holding it;
// they end at once, and the locks go now, not when the last of them returns.
void UsbSession::StopCalls() {
    stop_.Close();
}

void UsbSession::Close() {
    stop_.Close();
    device_->Locks().Release(this);
    device_->WakeCallsOf(this);
}

IoResult UsbSession::Write(const ViByte* data, ViUInt32 count) {
    const usbtmc::IoResult result = device_->Exclusively(
        this, stop_.Begin(), attributes_.TimeoutMs(), [&](usbtmc::UsbtmcExchange& exchange) {
            return exchange.Write(data, count, attributes_.TimeoutMs(), attributes_.SendEnd());
        });
    return {result.status, result.count};
}

IoResult UsbSession::Read(ViByte* buffer, ViUInt32 count) {
    const usbtmc::IoResult result = device_->Exclusively(
        this, stop_.Begin(), attributes_.TimeoutMs(), [&](usbtmc::UsbtmcExchange& exchange) {
            return exchange.Read(buffer, count, attributes_.TimeoutMs(), attributes_.Termination());
        });
    return {result.status, result.count};
}

ViStatus UsbSession::Clear() {
    return device_
        ->Exclusively(this, stop_.Begin(), attributes_.TimeoutMs(),
                      [](usbtmc::UsbtmcExchange& exchange) {
                          return usbtmc::IoResult{exchange.Clear(), 0};
                      })
        .status;
}

ViStatus UsbSession::ReadStatusByte(ViUInt16& statusByte) {
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

ViStatus UsbSession::AssertTrigger(ViUInt16 protocol) {
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
ViStatus UsbSession::Flush(ViUInt16 mask) {
    if (!IsValidFlushMask(mask)) {
        return VI_ERROR_INV_MASK;
    }
    return device_->Locks().CheckAccess(this);
}

ViStatus UsbSession::Lock(ViAccessMode type, ViUInt32 timeoutMs, const std::string& requestedKey,
                          std::string& accessKey) {
    return device_->Lock(this, stop_.Begin(), type, timeoutMs, requestedKey, accessKey);
}

ViStatus UsbSession::Unlock() {
    return device_->Locks().Unlock(this);
}

ViStatus UsbSession::GetAttribute(ViAttr attribute, void* value) const {
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

ViStatus UsbSession::SetAttribute(ViAttr attribute, ViAttrState value) {
    if (attribute == VI_ATTR_RSRC_LOCK_STATE) {
        return VI_ERROR_ATTR_READONLY;
    }
    return attributes_.Set(attribute, value);
}

}  // namespace zvisa
