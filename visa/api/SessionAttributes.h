#pragma once

#include <atomic>
#include <map>
#include <optional>
#include <string>

#include "base/UsbTransport.h"
#include "usbtmc/UsbtmcExchange.h"
#include "usbtmc/UsbtmcProtocol.h"
#include "visa.h"

namespace zvisa {

// What a TCPIP INSTR session reports of its resource.
struct TcpipIdentity {
    std::string resource;    // the name as opened
    std::string address;     // dotted IPv4
    std::string hostName;    // as the name gives it
    std::string deviceName;  // e.g. inst0
};

// The attributes of one INSTR session: its own I/O settings, which the
// caller may set, and what it reports of the resource and the library.
class SessionAttributes {
public:
    static constexpr ViUInt32 kDefaultTimeoutMs = 2000;
    static constexpr ViUInt8 kDefaultTermChar = '\n';

    enum class Kind { kUInt8, kUInt16, kInt16, kUInt32, kBoolean, kString };
    struct Value {
        Kind kind = Kind::kUInt32;
        ViUInt32 number = 0;
        std::string text;
    };

    // `resource` is the resource's full name as listed.
    SessionAttributes(const std::string& resource, const UsbInterfaceIdentity& identity,
                      const usbtmc::DeviceCapabilities& capabilities,
                      ViUInt16 interruptInMaxPacket = 0);
    explicit SessionAttributes(const TcpipIdentity& identity);

    // The value, or empty when the session has no such attribute.
    std::optional<Value> Get(ViAttr attribute) const;
    // VI_ERROR_ATTR_READONLY, VI_ERROR_NSUP_ATTR or VI_ERROR_NSUP_ATTR_STATE.
    ViStatus Set(ViAttr attribute, ViAttrState value);

    // What the library itself reports, for any session.
    static std::optional<Value> LibraryValue(ViAttr attribute);
    // What a resource manager session reports besides: it names no
    // resource and is never locked.
    static std::optional<Value> ManagerValue(ViAttr attribute);

    ViUInt32 TimeoutMs() const { return timeoutMs_; }
    bool SendEnd() const { return sendEnd_; }
    usbtmc::ReadTermination Termination() const;

private:
    std::optional<Value> IoValue(ViAttr attribute) const;
    std::optional<Value> ResourceValue(ViAttr attribute) const;

    std::atomic<ViUInt32> timeoutMs_{kDefaultTimeoutMs};
    std::atomic<ViUInt8> termChar_{kDefaultTermChar};
    std::atomic<bool> termCharEnabled_{false};
    std::atomic<bool> sendEnd_{true};
    std::atomic<bool> suppressEnd_{false};
    std::atomic<ViUInt16> maxInterruptSize_{0};
    std::atomic<ViUInt16> ioProtocol_{VI_PROT_NORMAL};

    bool usb_ = false;                        // the USB I/O attributes apply
    std::map<ViAttr, Value> resourceValues_;  // read-only, set by the constructor
};

// Writes `value` to `out` in its attribute's type.
void StoreAttribute(const SessionAttributes::Value& value, void* out);

}  // namespace zvisa
