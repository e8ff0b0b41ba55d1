#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "visa.h"

namespace zvisa {

// The syntax of a VISA resource string, e.g. "USB0::0x7A5E::0x0C46::SN1::INSTR":
// interface type and board, the address fields, and the resource class.
// Two names that differ only in case, a left-out board number, interface 0 or ::INSTR,
// or hex against decimal USB ids name the same resource; so do TCPIP names with and without
// the default device "inst0".
class ResourceName {
public:
    // Empty when `text` is not a resource string. USB names need a vendor
    // id, a product id, a serial number and optionally an interface number.
    static std::optional<ResourceName> Parse(std::string_view text);

    bool IsUsb() const { return interfaceType_ == "USB"; }
    // TCPIP[board]::host[::device][::INSTR], a VXI-11 device; the device is filled in as
    // "inst0" when left out.
    bool IsTcpipInstr() const { return interfaceType_ == "TCPIP" && resourceClass_ == "INSTR"; }
    const std::string& InterfaceType() const { return interfaceType_; }  // upper case
    // VI_INTF_USB and the like; 0 for a type VISA has no code for.
    ViUInt16 InterfaceCode() const;
    bool HasExplicitClass() const { return explicitClass_; }
    const std::string& ResourceClass() const { return resourceClass_; }
    // The address fields between the board and the class, as written.
    const std::vector<std::string>& Fields() const { return fields_; }

    unsigned Board() const { return board_; }

    // The name written out in full: board number and class given, USB ids
    // as four hex digits, the serial number as written.
    std::string Expanded() const;

    // Equal for exactly the names that name the same resource.
    std::string Key() const;
    bool SameResource(const ResourceName& other) const { return Key() == other.Key(); }

private:
    bool NormalizeUsbFields();
    bool NormalizeTcpipFields();
    static bool IsHost(std::string_view text);

    std::string interfaceType_;  // upper case
    unsigned board_ = 0;
    std::vector<std::string> fields_;
    std::vector<std::string> keyFields_;  // upper case, USB ids as hex
    std::string resourceClass_ = "INSTR";
    bool explicitClass_ = false;
};

}  // namespace zvisa
