#include "api/SessionAttributes.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/AsciiText.h"
#include "base/ResourceName.h"

namespace zvisa {

namespace {

constexpr const char* kLibraryMaker = "Zorvane";
// No VXI manufacturer ID was ever assigned to this library's maker.
constexpr ViUInt16 kLibraryMakerId = 0;
constexpr ViUInt32 kImplementationVersion = ZVISA_IMPL_VERSION;

using Kind = SessionAttributes::Kind;
using Value = SessionAttributes::Value;

Value Number(Kind kind, ViUInt32 number) {
    return {kind, number, {}};
}

Value Text(std::string text) {
    return {Kind::kString, 0, std::move(text)};
}

ViUInt16 UsbId(const std::string& field) {
    const bool hex = field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X');
    const auto value = ParseNumber<unsigned>(hex ? field.substr(2) : field, hex ? 16 : 10);
    return static_cast<ViUInt16>(value.value_or(0));
}

bool IsBoolean(ViAttrState value) {
    return value == VI_TRUE || value == VI_FALSE;
}

template <typename T>
void Store(ViUInt32 number, void* out) {
    const T value = static_cast<T>(number);
    std::memcpy(out, &value, sizeof value);
}

}  // namespace

void StoreAttribute(const SessionAttributes::Value& value, void* out) {
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

SessionAttributes::SessionAttributes(const std::string& resource,
                                     const UsbInterfaceIdentity& identity,
                                     const usbtmc::DeviceCapabilities& capabilities,
                                     ViUInt16 interruptInMaxPacket)
    : maxInterruptSize_(interruptInMaxPacket), usb_(true) {
    std::string name = resource;
    ViUInt16 board = 0;
    ViUInt16 vendorId = 0;
    ViUInt16 productId = 0;
    std::string serial;
    const std::optional<ResourceName> parsed = ResourceName::Parse(resource);
    if (parsed && parsed->IsUsb()) {
        name = parsed->Expanded();
        board = static_cast<ViUInt16>(parsed->Board());
        vendorId = UsbId(parsed->Fields()[0]);
        productId = UsbId(parsed->Fields()[1]);
        serial = parsed->Fields()[2];
    }
    resourceValues_ = {
        {VI_ATTR_RSRC_NAME, Text(name)},
        {VI_ATTR_RSRC_CLASS, Text("INSTR")},
        {VI_ATTR_INTF_TYPE, Number(Kind::kUInt16, VI_INTF_USB)},
        {VI_ATTR_INTF_NUM, Number(Kind::kUInt16, board)},
        {VI_ATTR_INTF_INST_NAME, Text("USB" + std::to_string(board))},
        {VI_ATTR_MANF_ID, Number(Kind::kUInt16, vendorId)},
        {VI_ATTR_MODEL_CODE, Number(Kind::kUInt16, productId)},
        {VI_ATTR_MANF_NAME, Text(identity.manufacturer)},
        {VI_ATTR_MODEL_NAME, Text(identity.product)},
        {VI_ATTR_USB_SERIAL_NUM, Text(serial)},
        {VI_ATTR_USB_INTFC_NUM, Number(Kind::kInt16, identity.number)},
        {VI_ATTR_USB_PROTOCOL, Number(Kind::kInt16, identity.protocol)},
        {VI_ATTR_4882_COMPLIANT,
         Number(Kind::kBoolean, capabilities.ieee4882 ? VI_TRUE : VI_FALSE)},
    };
}

SessionAttributes::SessionAttributes(const TcpipIdentity& identity) {
    const std::optional<ResourceName> parsed = ResourceName::Parse(identity.resource);
    const ViUInt16 board = parsed ? static_cast<ViUInt16>(parsed->Board()) : 0;
    resourceValues_ = {
        {VI_ATTR_RSRC_NAME, Text(parsed ? parsed->Expanded() : identity.resource)},
        {VI_ATTR_RSRC_CLASS, Text("INSTR")},
        {VI_ATTR_INTF_TYPE, Number(Kind::kUInt16, VI_INTF_TCPIP)},
        {VI_ATTR_INTF_NUM, Number(Kind::kUInt16, board)},
        {VI_ATTR_INTF_INST_NAME, Text("TCPIP" + std::to_string(board))},
        {VI_ATTR_TCPIP_ADDR, Text(identity.address)},
        {VI_ATTR_TCPIP_HOSTNAME, Text(identity.hostName)},
        {VI_ATTR_TCPIP_DEVICE_NAME, Text(identity.deviceName)},
    };
}

std::optional<Value> SessionAttributes::Get(ViAttr attribute) const {
    if (auto value = IoValue(attribute)) {
        return value;
    }
    if (auto value = ResourceValue(attribute)) {
        return value;
    }
    return LibraryValue(attribute);
}

ViStatus SessionAttributes::Set(ViAttr attribute, ViAttrState value) {
    switch (attribute) {
        case VI_ATTR_TMO_VALUE:
            if (value > std::numeric_limits<ViUInt32>::max()) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            timeoutMs_ = static_cast<ViUInt32>(value);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR:
            if (value > std::numeric_limits<ViUInt8>::max()) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            termChar_ = static_cast<ViUInt8>(value);
            return VI_SUCCESS;
        case VI_ATTR_USB_MAX_INTR_SIZE:
            if (!usb_) {
                return VI_ERROR_NSUP_ATTR;
            }
            if (value > std::numeric_limits<ViUInt16>::max()) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            maxInterruptSize_ = static_cast<ViUInt16>(value);
            return VI_SUCCESS;
        // USB488 messages go as DEV_DEP_MSG; the vendor-specific protocol has
        // no meaning for this meter.
        case VI_ATTR_IO_PROT:
            if (value != VI_PROT_NORMAL) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            ioProtocol_ = static_cast<ViUInt16>(value);
            return VI_SUCCESS;
        case VI_ATTR_TERMCHAR_EN:
        case VI_ATTR_SEND_END_EN:
        case VI_ATTR_SUPPRESS_END_EN:
            if (!IsBoolean(value)) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            (attribute == VI_ATTR_TERMCHAR_EN   ? termCharEnabled_
             : attribute == VI_ATTR_SEND_END_EN ? sendEnd_
                                                : suppressEnd_) = value == VI_TRUE;
            return VI_SUCCESS;
        default:
            return Get(attribute) ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR;
    }
}

usbtmc::ReadTermination SessionAttributes::Termination() const {
    usbtmc::ReadTermination termination;
    if (termCharEnabled_) {
        termination.termChar = termChar_.load();
    }
    termination.suppressEnd = suppressEnd_;
    return termination;
}

std::optional<Value> SessionAttributes::IoValue(ViAttr attribute) const {
    switch (attribute) {
        case VI_ATTR_TMO_VALUE:
            return Number(Kind::kUInt32, timeoutMs_);
        case VI_ATTR_TERMCHAR:
            return Number(Kind::kUInt8, termChar_);
        case VI_ATTR_TERMCHAR_EN:
            return Number(Kind::kBoolean, termCharEnabled_ ? VI_TRUE : VI_FALSE);
        case VI_ATTR_SEND_END_EN:
            return Number(Kind::kBoolean, sendEnd_ ? VI_TRUE : VI_FALSE);
        case VI_ATTR_SUPPRESS_END_EN:
            return Number(Kind::kBoolean, suppressEnd_ ? VI_TRUE : VI_FALSE);
        case VI_ATTR_USB_MAX_INTR_SIZE:
            if (!usb_) {
                return std::nullopt;
            }
            return Number(Kind::kUInt16, maxInterruptSize_);
        case VI_ATTR_IO_PROT:
            return Number(Kind::kUInt16, ioProtocol_);
        default:
            return std::nullopt;
    }
}

std::optional<Value> SessionAttributes::ResourceValue(ViAttr attribute) const {
    const auto found = resourceValues_.find(attribute);
    if (found == resourceValues_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<Value> SessionAttributes::LibraryValue(ViAttr attribute) {
    switch (attribute) {
        case VI_ATTR_RSRC_SPEC_VERSION:
            return Number(Kind::kUInt32, VI_SPEC_VERSION);
        case VI_ATTR_RSRC_IMPL_VERSION:
            return Number(Kind::kUInt32, kImplementationVersion);
        case VI_ATTR_RSRC_MANF_NAME:
            return Text(kLibraryMaker);
        case VI_ATTR_RSRC_MANF_ID:
            return Number(Kind::kUInt16, kLibraryMakerId);
        default:
            return std::nullopt;
    }
}

std::optional<Value> SessionAttributes::ManagerValue(ViAttr attribute) {
    switch (attribute) {
        case VI_ATTR_RSRC_NAME:
        case VI_ATTR_RSRC_CLASS:
            return Text("");
        case VI_ATTR_RSRC_LOCK_STATE:
            return Number(Kind::kUInt32, VI_NO_LOCK);
        default:
            return std::nullopt;
    }
}

}  // namespace zvisa
