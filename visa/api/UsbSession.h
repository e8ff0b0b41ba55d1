#pragma once

#include <memory>
#include <string>

#include "api/CallStop.h"
#include "api/InstrumentSession.h"
#include "api/SessionAttributes.h"
#include "api/SharedDevice.h"
#include "usbtmc/UsbtmcExchange.h"
#include "visa.h"

namespace zvisa {

// One viOpen of a USB INSTR resource: a session on a device that other sessions may share, with
// its own attributes. Every operation respects the device's locks; transfers
// wait for the device to be free, up to the session's timeout. Terminate and
// Close end the calls in progress from any thread.
class UsbSession : public InstrumentSession {
public:
    static constexpr ViUInt32 kDefaultTimeoutMs = SessionAttributes::kDefaultTimeoutMs;

    // `device` is not null; `resource` is the resource's name as listed.
    UsbSession(std::shared_ptr<SharedDevice> device, const std::string& resource);
    ~UsbSession() override;  // gives back the session's locks
    UsbSession(const UsbSession&) = delete;
    UsbSession& operator=(const UsbSession&) = delete;

    void Terminate() override;
    void Close() override;
    void StopCalls() override;

    IoResult Write(const ViByte* data, ViUInt32 count) override;
    IoResult Read(ViByte* buffer, ViUInt32 count) override;
    ViStatus Clear() override;
    ViStatus ReadStatusByte(ViUInt16& statusByte) override;
    ViStatus AssertTrigger(ViUInt16 protocol) override;
    ViStatus Flush(ViUInt16 mask) override;

    ViStatus Lock(ViAccessMode type, ViUInt32 timeoutMs, const std::string& requestedKey,
                  std::string& accessKey) override;
    ViStatus Unlock() override;

    ViStatus GetAttribute(ViAttr attribute, void* value) const override;
    ViStatus SetAttribute(ViAttr attribute, ViAttrState value) override;

private:
    std::shared_ptr<SharedDevice> device_;
    SessionAttributes attributes_;
    CallStop stop_;
};

}  // namespace zvisa
