// The C interface of visa.h over the handle table. Every call catches what
// the C++ inside may throw: no exception crosses into a C caller.
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>

#include "api/HandleTable.h"
#include "api/SessionAttributes.h"
#include "api/StatusDescription.h"
#include "base/ResourceName.h"
#include "libusb/LibusbProvider.h"
#include "sim/SimProvider.h"
#include "sim/SimRegistry.h"
#include "visa.h"

namespace {

using zvisa::FindList;
using zvisa::HandleTable;
using zvisa::InstrumentSession;
using zvisa::ResourceManager;

template <typename Body>
ViStatus Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return VI_ERROR_ALLOC;
    } catch (...) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}

// Simulated meters first, so ZVISA_SIM wins over a meter on the bus.
std::vector<std::unique_ptr<zvisa::ResourceProvider>> DefaultProviders() {
    std::vector<std::unique_ptr<zvisa::ResourceProvider>> providers;
    providers.push_back(std::make_unique<zvisa::sim::SimProvider>(
        zvisa::sim::SimRegistry::Global().MetersFromEnvironment()));
    providers.push_back(zvisa::MakeLibusbProvider());
    return providers;
}

void CopyDescriptor(const std::string& resource, ViChar desc[]) {
    const std::size_t length = std::min<std::size_t>(resource.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(desc, resource.data(), length);
    desc[length] = '\0';
}

// viParseRsrc and viParseRsrcEx: the name's syntax only; whether the
// resource is present is for viOpen to find out.
ViStatus ParseResource(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                       ViPUInt16 intfNum, std::optional<zvisa::ResourceName>& parsed) {
    if (!HandleTable::Global().Get<ResourceManager>(rmSesn)) {
        return VI_ERROR_INV_OBJECT;
    }
    if (rsrcName == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    parsed = zvisa::ResourceName::Parse(rsrcName);
    const ViUInt16 type = parsed ? parsed->InterfaceCode() : 0;
    if (type == 0 || parsed->Board() > std::numeric_limits<ViUInt16>::max()) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    if (intfType != nullptr) {
        *intfType = type;
    }
    if (intfNum != nullptr) {
        *intfNum = static_cast<ViUInt16>(parsed->Board());
    }
    return VI_SUCCESS;
}

// A valid handle that is not of the kind an operation needs.
ViStatus WrongKind(ViObject vi, ViStatus unsupported) {
    return HandleTable::Global().IsOpen(vi) ? unsupported : VI_ERROR_INV_OBJECT;
}

// An operation no USB or TCPIP INSTR session offers.
ViStatus NotForUsb(ViObject vi) noexcept {
    return Guarded([&] { return WrongKind(vi, VI_ERROR_NSUP_OPER); });
}

// viWrite and viRead: `move` takes the bytes on the session; retCnt, where
// given, gets how many moved, also on failure.
template <typename Move>
ViStatus MoveBytes(ViSession vi, ViUInt32 cnt, ViPUInt32 retCnt, Move move) {
    return Guarded([&] {
        if (retCnt != nullptr) {
            *retCnt = 0;
        }
        const auto session = HandleTable::Global().Get<InstrumentSession>(vi);
        if (!session) {
            return WrongKind(vi, VI_ERROR_NSUP_OPER);
        }
        const zvisa::IoResult result = move(*session);
        if (retCnt != nullptr) {
            *retCnt = static_cast<ViUInt32>(std::min<std::size_t>(result.count, cnt));
        }
        return result.status;
    });
}

// An operation on an instrument session; other handles do not support it.
template <typename Body>
ViStatus OnSession(ViSession vi, Body body) {
    return Guarded([&] {
        const auto session = HandleTable::Global().Get<InstrumentSession>(vi);
        if (!session) {
            return WrongKind(vi, VI_ERROR_NSUP_OPER);
        }
        return body(*session);
    });
}

// The events a session of this kind could enable: an instrument session's
// I/O completion, service request and exception, a manager's exception.
bool IsEventOf(ViObject vi, ViEventType event) {
    if (event == VI_ALL_ENABLED_EVENTS || event == VI_EVENT_EXCEPTION) {
        return true;
    }
    const bool instrument = HandleTable::Global().Get<InstrumentSession>(vi) != nullptr;
    return instrument && (event == VI_EVENT_IO_COMPLETION || event == VI_EVENT_SERVICE_REQ);
}

// No session ever has an event enabled: disabling or discarding finds
// nothing to do, as long as the event and the mechanism are ones VISA has.
ViStatus NoEvents(ViObject vi, ViEventType event, ViUInt16 mechanism, ViStatus nothingToDo) {
    constexpr ViUInt16 kMechanisms = VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR;
    if (!HandleTable::Global().IsOpen(vi)) {
        return VI_ERROR_INV_OBJECT;
    }
    if (!IsEventOf(vi, event)) {
        return VI_ERROR_INV_EVENT;
    }
    const bool valid =
        mechanism == VI_ALL_MECH || (mechanism != 0 && (mechanism & ~kMechanisms) == 0);
    return valid ? nothingToDo : VI_ERROR_INV_MECH;
}

}  // namespace

extern "C" {

ViStatus viOpenDefaultRM(ViPSession vi) {
    return Guarded([&] {
        if (vi == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        *vi = VI_NULL;
        auto manager = std::make_shared<ResourceManager>(DefaultProviders());
        return HandleTable::Global().Add(std::move(manager), VI_NULL, *vi);
    });
}

ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList vi, ViPUInt32 retCnt,
                    ViChar desc[]) {
    return Guarded([&] {
        // findList and retCnt may be VI_NULL: the caller wants the first match only.
        if (vi != nullptr) {
            *vi = VI_NULL;
        }
        if (retCnt != nullptr) {
            *retCnt = 0;
        }
        if (desc != nullptr) {
            desc[0] = '\0';
        }
        const auto manager = HandleTable::Global().Get<ResourceManager>(sesn);
        if (!manager) {
            return VI_ERROR_INV_OBJECT;
        }
        if (expr == nullptr) {
            return VI_ERROR_INV_PARAMETER;
        }
        if (desc == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        const auto expression = zvisa::ResourceExpression::Compile(expr);
        if (!expression) {
            return VI_ERROR_INV_EXPR;
        }
        const std::vector<std::string> matches = manager->Find(*expression);
        if (matches.empty()) {
            return VI_ERROR_RSRC_NFOUND;
        }
        CopyDescriptor(matches.front(), desc);
        if (retCnt != nullptr) {
            *retCnt = static_cast<ViUInt32>(
                std::min<std::size_t>(matches.size(), std::numeric_limits<ViUInt32>::max()));
        }
        if (vi != nullptr) {
            return HandleTable::Global().Add(std::make_shared<FindList>(matches), sesn, *vi);
        }
        return VI_SUCCESS;
    });
}

ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
                ViPSession vi) {
    // VI_LOAD_CONFIG has no configuration to load.
    constexpr ViAccessMode kKnownModes = VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG;
    return Guarded([&] {
        if (vi == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        *vi = VI_NULL;
        const auto manager = HandleTable::Global().Get<ResourceManager>(sesn);
        if (!manager) {
            return VI_ERROR_INV_OBJECT;
        }
        if (name == nullptr) {
            return VI_ERROR_INV_PARAMETER;
        }
        const ViAccessMode lockMode = mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK);
        if ((mode & ~kKnownModes) != 0 || lockMode == (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) {
            return VI_ERROR_INV_ACC_MODE;
        }
        std::shared_ptr<InstrumentSession> session;
        const ViStatus opened = manager->OpenSession(name, session);
        if (opened < VI_SUCCESS) {
            return opened;
        }
        if (lockMode != VI_NO_LOCK) {
            std::string key;
            const ViStatus locked = session->Lock(lockMode, timeout, {}, key);
            if (locked < VI_SUCCESS) {
                return locked == VI_ERROR_TMO ? VI_ERROR_RSRC_LOCKED : locked;
            }
        }
        return HandleTable::Global().Add(std::move(session), sesn, *vi);
    });
}

ViStatus viGetAttribute(ViObject vi, ViAttr attrName, void* attrValue) {
    return Guarded([&] {
        if (!HandleTable::Global().IsOpen(vi)) {
            return VI_ERROR_INV_OBJECT;
        }
        if (attrValue == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        if (const auto session = HandleTable::Global().Get<InstrumentSession>(vi)) {
            return session->GetAttribute(attrName, attrValue);
        }
        auto value = zvisa::SessionAttributes::LibraryValue(attrName);
        if (!value && HandleTable::Global().Get<ResourceManager>(vi)) {
            value = zvisa::SessionAttributes::ManagerValue(attrName);
        }
        if (!value) {
            return VI_ERROR_NSUP_ATTR;
        }
        zvisa::StoreAttribute(*value, attrValue);
        return VI_SUCCESS;
    });
}

ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue) {
    return Guarded([&] {
        const auto session = HandleTable::Global().Get<InstrumentSession>(vi);
        if (!session) {
            if (!HandleTable::Global().IsOpen(vi)) {
                return VI_ERROR_INV_OBJECT;
            }
            const bool known = zvisa::SessionAttributes::LibraryValue(attrName) ||
                               (HandleTable::Global().Get<ResourceManager>(vi) &&
                                zvisa::SessionAttributes::ManagerValue(attrName));
            return known ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR;
        }
        return session->SetAttribute(attrName, attrValue);
    });
}

ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    return MoveBytes(vi, cnt, retCnt,
                     [&](InstrumentSession& session) { return session.Write(buf, cnt); });
}

ViStatus viRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt) {
    return MoveBytes(vi, cnt, retCnt,
                     [&](InstrumentSession& session) { return session.Read(buf, cnt); });
}

ViStatus viFindNext(ViFindList vi, ViChar desc[]) {
    return Guarded([&] {
        const auto list = HandleTable::Global().Get<FindList>(vi);
        if (!list) {
            return WrongKind(vi, VI_ERROR_NSUP_OPER);
        }
        if (desc == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        std::string resource;
        if (!list->Next(resource)) {
            desc[0] = '\0';
            return VI_ERROR_RSRC_NFOUND;
        }
        CopyDescriptor(resource, desc);
        return VI_SUCCESS;
    });
}

ViStatus viParseRsrc(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                     ViPUInt16 intfNum) {
    return Guarded([&] {
        std::optional<zvisa::ResourceName> parsed;
        return ParseResource(rmSesn, rsrcName, intfType, intfNum, parsed);
    });
}

ViStatus viParseRsrcEx(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                       ViPUInt16 intfNum, ViChar rsrcClass[], ViChar expandedUnaliasedName[],
                       ViChar aliasIfExists[]) {
    return Guarded([&] {
        std::optional<zvisa::ResourceName> parsed;
        const ViStatus status = ParseResource(rmSesn, rsrcName, intfType, intfNum, parsed);
        if (status < VI_SUCCESS) {
            return status;
        }
        if (rsrcClass != nullptr) {
            CopyDescriptor(parsed->ResourceClass(), rsrcClass);
        }
        if (expandedUnaliasedName != nullptr) {
            CopyDescriptor(parsed->Expanded(), expandedUnaliasedName);
        }
        if (aliasIfExists != nullptr) {
            aliasIfExists[0] = '\0';  // no aliases
        }
        return VI_SUCCESS;
    });
}

// Any object, even a closed one: a caller describes the failure of a call
// that may have ended its session.
ViStatus viStatusDesc(ViObject /*vi*/, ViStatus status, ViChar desc[]) {
    return Guarded([&] {
        if (desc == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        const char* text = zvisa::StatusDescription(status);
        if (text == nullptr) {
            CopyDescriptor("Unknown status code " + std::to_string(status) + ".", desc);
            return VI_WARN_UNKNOWN_STATUS;
        }
        CopyDescriptor(text, desc);
        return VI_SUCCESS;
    });
}

ViStatus viClear(ViSession vi) {
    return OnSession(vi, [](InstrumentSession& session) { return session.Clear(); });
}

ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
    return OnSession(vi, [&](InstrumentSession& session) {
        return status == nullptr ? VI_ERROR_USER_BUF : session.ReadStatusByte(*status);
    });
}

ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
    return OnSession(vi,
                     [&](InstrumentSession& session) { return session.AssertTrigger(protocol); });
}

ViStatus viFlush(ViSession vi, ViUInt16 mask) {
    return OnSession(vi, [&](InstrumentSession& session) { return session.Flush(mask); });
}

ViStatus viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout, ViConstString requestedKey,
                ViChar accessKey[]) {
    return OnSession(vi, [&](InstrumentSession& session) {
        if (lockType == VI_SHARED_LOCK && accessKey == nullptr) {
            return VI_ERROR_USER_BUF;
        }
        std::string key;
        const ViStatus status =
            session.Lock(lockType, timeout, requestedKey != nullptr ? requestedKey : "", key);
        if (status >= VI_SUCCESS && accessKey != nullptr) {
            CopyDescriptor(key, accessKey);
        }
        return status;
    });
}

ViStatus viUnlock(ViSession vi) {
    return OnSession(vi, [](InstrumentSession& session) { return session.Unlock(); });
}

// No call of this library runs as a job, so only "every call" can be named.
ViStatus viTerminate(ViObject vi, ViUInt16 degree, ViJobId jobId) {
    return OnSession(vi, [&](InstrumentSession& session) {
        if (degree != VI_NULL) {
            return VI_ERROR_INV_DEGREE;
        }
        if (jobId != VI_NULL) {
            return VI_ERROR_INV_JOB_ID;
        }
        session.Terminate();
        return VI_SUCCESS;
    });
}

ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
    return Guarded([&] { return NoEvents(vi, eventType, mechanism, VI_SUCCESS_EVENT_DIS); });
}

ViStatus viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism) {
    return Guarded([&] { return NoEvents(vi, eventType, mechanism, VI_SUCCESS_QUEUE_EMPTY); });
}

// GPIB, VXI and register or memory access: nothing of a USB INSTR session.
ViStatus viGpibControlREN(ViSession vi, ViUInt16) {
    return NotForUsb(vi);
}
ViStatus viGpibControlATN(ViSession vi, ViUInt16) {
    return NotForUsb(vi);
}
ViStatus viGpibSendIFC(ViSession vi) {
    return NotForUsb(vi);
}
ViStatus viGpibCommand(ViSession vi, ViConstBuf, ViUInt32, ViPUInt32 retCnt) {
    if (retCnt != nullptr) {
        *retCnt = 0;
    }
    return NotForUsb(vi);
}
ViStatus viGpibPassControl(ViSession vi, ViUInt16, ViUInt16) {
    return NotForUsb(vi);
}
ViStatus viVxiCommandQuery(ViSession vi, ViUInt16, ViUInt32, ViPUInt32) {
    return NotForUsb(vi);
}
ViStatus viIn8(ViSession vi, ViUInt16, ViBusAddress, ViPUInt8) {
    return NotForUsb(vi);
}
ViStatus viIn16(ViSession vi, ViUInt16, ViBusAddress, ViPUInt16) {
    return NotForUsb(vi);
}
ViStatus viIn32(ViSession vi, ViUInt16, ViBusAddress, ViPUInt32) {
    return NotForUsb(vi);
}
ViStatus viOut8(ViSession vi, ViUInt16, ViBusAddress, ViUInt8) {
    return NotForUsb(vi);
}
ViStatus viOut16(ViSession vi, ViUInt16, ViBusAddress, ViUInt16) {
    return NotForUsb(vi);
}
ViStatus viOut32(ViSession vi, ViUInt16, ViBusAddress, ViUInt32) {
    return NotForUsb(vi);
}
ViStatus viMoveIn8(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt8) {
    return NotForUsb(vi);
}
ViStatus viMoveIn16(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt16) {
    return NotForUsb(vi);
}
ViStatus viMoveIn32(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt32) {
    return NotForUsb(vi);
}
ViStatus viMoveOut8(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt8) {
    return NotForUsb(vi);
}
ViStatus viMoveOut16(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt16) {
    return NotForUsb(vi);
}
ViStatus viMoveOut32(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViAUInt32) {
    return NotForUsb(vi);
}
ViStatus viMapAddress(ViSession vi, ViUInt16, ViBusAddress, ViBusSize, ViBoolean, ViAddr, ViPAddr) {
    return NotForUsb(vi);
}
ViStatus viUnmapAddress(ViSession vi) {
    return NotForUsb(vi);
}
ViStatus viMemAlloc(ViSession vi, ViBusSize, ViPBusAddress) {
    return NotForUsb(vi);
}
ViStatus viMemFree(ViSession vi, ViBusAddress) {
    return NotForUsb(vi);
}

ViStatus viClose(ViObject vi) {
    if (vi == VI_NULL) {
        return VI_WARN_NULL_OBJECT;
    }
    return Guarded([&] { return HandleTable::Global().Close(vi); });
}

}  // extern "C"
