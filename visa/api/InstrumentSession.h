#pragma once

#include <cstddef>
#include <string>

#include "visa.h"

namespace zvisa {

// What a read or write moved, and how it ended.
struct IoResult {
    ViStatus status = VI_SUCCESS;
    std::size_t count = 0;  // bytes written or stored, also on failure
};

// One viOpen of an INSTR resource, whatever carries it (a USB interface, a VXI-11 link): the
// operations visa.h offers on it. Terminate and Close end the calls in progress from any thread;
// a call waits for its turn at most its session's timeout.
class InstrumentSession {
public:
    virtual ~InstrumentSession() = default;

    // viTerminate: every call in progress ends with VI_ERROR_ABORT; later calls run as usual.
    virtual void Terminate() = 0;
    // viClose: as Terminate, for every call to come as well; gives back the session's locks.
    virtual void Close() = 0;
    // The first half of Close: calls in progress and to come are stopped, without waking them
    // yet. Closing several sessions stops all before waking any, so none takes the device
    // another is giving back.
    virtual void StopCalls() = 0;

    virtual IoResult Write(const ViByte* data, ViUInt32 count) = 0;
    virtual IoResult Read(ViByte* buffer, ViUInt32 count) = 0;
    virtual ViStatus Clear() = 0;
    virtual ViStatus ReadStatusByte(ViUInt16& statusByte) = 0;
    virtual ViStatus AssertTrigger(ViUInt16 protocol) = 0;
    virtual ViStatus Flush(ViUInt16 mask) = 0;

    virtual ViStatus Lock(ViAccessMode type, ViUInt32 timeoutMs, const std::string& requestedKey,
                          std::string& accessKey) = 0;
    virtual ViStatus Unlock() = 0;

    // Writes the value in the attribute's own type to `value`; strings take at most
    // VI_FIND_BUFLEN bytes with the terminating NUL.
    virtual ViStatus GetAttribute(ViAttr attribute, void* value) const = 0;
    virtual ViStatus SetAttribute(ViAttr attribute, ViAttrState value) = 0;
};

// A buffer may be flushed or discarded, not both: VI_ERROR_INV_MASK for a mask that asks both,
// none or an unknown bit.
bool IsValidFlushMask(ViUInt16 mask);

}  // namespace zvisa
