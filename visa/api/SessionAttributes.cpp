#include "api/SessionAttributes.h"

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

}  // namespace

SessionAttributes::SessionAttributes(const std::string& resource,
                                     const UsbInterfaceIdentity& identity,
                                     const usbtmc::DeviceCapabilities& capabilities,
                                     ViUInt16 interruptInMaxPacket)
    : maxInterruptSize_(interruptInMaxPacket),
      resource_(resource),
      identity_(identity),
      ieee4882_(capabilities.ieee4882) {
    const std::optional<ResourceName> name = ResourceName::Parse(resource);
    if (name && name->IsUsb()) {
        resource_ = name->Expanded();
        board_ = static_cast<ViUInt16>(name->Board());
        vendorId_ = UsbId(name->Fields()[0]);
        productId_ = UsbId(name->Fields()[1]);
        serial_ = name->Fields()[2];
    }
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
            return Number(Kind::kUInt16, maxInterruptSize_);
        case VI_ATTR_IO_PROT:
            return Number(Kind::kUInt16, ioProtocol_);
        default:
            return std::nullopt;
    }
}

std::optional<Value> SessionAttributes::ResourceValue(ViAttr attribute) const {
    switch (attribute) {
        case VI_ATTR_RSRC_NAME:
            return Text(resource_);
        case VI_ATTR_RSRC_CLASS:
            return Text("INSTR");
        case VI_ATTR_INTF_TYPE:
            return Number(Kind::kUInt16, VI_INTF_USB);
        case VI_ATTR_INTF_NUM:
            return Number(Kind::kUInt16, board_);
        case VI_ATTR_INTF_INST_NAME:
            return Text("USB" + std::to_string(board_));
        case VI_ATTR_MANF_ID:
            return Number(Kind::kUInt16, vendorId_);
        case VI_ATTR_MODEL_CODE:
            return Number(Kind::kUInt16, productId_);
        case VI_ATTR_MANF_NAME:
            return Text(identity_.manufacturer);
        case VI_ATTR_MODEL_NAME:
            return Text(identity_.product);
        case VI_ATTR_USB_SERIAL_NUM:
            return Text(serial_);
        case VI_ATTR_USB_INTFC_NUM:
            return Number(Kind::kInt16, identity_.number);
        case VI_ATTR_USB_PROTOCOL:
            return Number(Kind::kInt16, identity_.protocol);
        case VI_ATTR_4882_COMPLIANT:
            return Number(Kind::kBoolean, ieee4882_ ? VI_TRUE : VI_FALSE);
        default:
            return std::nullopt;
    }
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
