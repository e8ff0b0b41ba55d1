#pragma once

#include <memory>
#include <string>

#include "api/CallStop.h"
#include "api/SessionAttributes.h"
#include "api/SharedDevice.h"
#include "usbtmc/UsbtmcExchange.h"
#include "visa.h"

namespace zvisa {

// One viOpen: a session on a device that other sessions may share, with its
// own attributes. Every operation respects the device's locks; transfers
// wait for the device to be free, up to the session's timeout. Terminate and
// Close end the calls in progress from any thread.
class InstrumentSession {
public:
    static constexpr ViUInt32 kDefaultTimeoutMs = SessionAttributes::kDefaultTimeoutMs;

    // `device` is not null; `resource` is the resource's name as listed.
    InstrumentSession(std::shared_ptr<SharedDevice> device, const std::string& resource);
    ~InstrumentSession();  // gives back the session's locks
    InstrumentSession(const InstrumentSession&) = delete;
    InstrumentSession& operator=(const InstrumentSession&) = delete;

    // viTerminate: every call in progress ends with VI_ERROR_ABORT; later
    // calls run as usual.
    void Terminate();
    // viClose: as Terminate, for every call to come as well; gives back the
    // session's locks.
    void Close();

    usbtmc::IoResult Write(const ViByte* data, ViUInt32 count);
    usbtmc::IoResult Read(ViByte* buffer, ViUInt32 count);
    ViStatus Clear();
    ViStatus ReadStatusByte(ViUInt16& statusByte);
    ViStatus AssertTrigger(ViUInt16 protocol);
    ViStatus Flush(ViUInt16 mask);

    ViStatus Lock(ViAccessMode type, ViUInt32 timeoutMs, const std::string& requestedKey,
                  std::string& accessKey);
    ViStatus Unlock();

    // Writes the value in the attribute's own type to `value`; strings take
    // at most VI_FIND_BUFLEN bytes with the terminating NUL.
    ViStatus GetAttribute(ViAttr attribute, void* value) const;
    ViStatus SetAttribute(ViAttr attribute, ViAttrState value);

private:
    std::shared_ptr<SharedDevice> device_;
    SessionAttributes attributes_;
    CallStop stop_;
};

// Writes `value` to `out` in its attribute's type.
void StoreAttribute(const SessionAttributes::Value& value, void* out);

}  // namespace zvisa
