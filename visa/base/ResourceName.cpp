#include "base/ResourceName.h"
#include "base/AsciiText.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace zvisa {

namespace {

constexpr std::string_view kSeparator = "::";
constexpr std::array<std::string_view, 7> kResourceClasses = {
    "INSTR", "RAW", "SOCKET", "INTFC", "BACKPLANE", "MEMACC", "SERVANT"};
constexpr unsigned kMaxBoard = 999999;
// What a VI_FIND_BUFLEN buffer holds with its NUL: a longer name could only
// be handed out cut short, and the cut name would designate nothing.
constexpr std::size_t kMaxNameLength = 255;

bool IsPrintable(char c) {
    return c >= ' ' && c < 0x7F;
}

// USB serial numbers may hold blanks, but not at either end. Colons only inside brackets, as in
// the VXI-11 device name "usb0[31326::3142::SN::0]".
bool IsField(std::string_view part) {
    if (part.empty() || part.front() == ' ' || part.back() == ' ') {
        return false;
    }
    int depth = 0;
    for (const char c : part) {
        depth += c == '[' ? 1 : c == ']' ? -1 : 0;
        if (depth < 0 || depth > 1 || (c == ':' && depth == 0)) {
            return false;
        }
    }
    return depth == 0;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Splits at "::" outside brackets.
std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        depth += text[i] == '[' ? 1 : text[i] == ']' ? -1 : 0;
        if (depth == 0 && text.compare(i, kSeparator.size(), kSeparator) == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + kSeparator.size();
            ++i;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

// "31326", or "0x7A5E" where hex is allowed: VISA takes both for USB ids.
std::optional<unsigned> ParseBounded(std::string_view text, unsigned max, bool allowHex) {
    int base = 10;
    if (allowHex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    const std::optional<unsigned> value = ParseNumber<unsigned>(text, base);
    if (!value || *value > max) {
        return std::nullopt;
    }
    return value;
}

std::string Hex16(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

}  // namespace

std::optional<ResourceName> ResourceName::Parse(std::string_view text) {
    if (text.empty() || text.size() > kMaxNameLength ||
        !std::all_of(text.begin(), text.end(), IsPrintable)) {
        return std::nullopt;
    }
    const std::vector<std::string_view> parts = SplitFields(text);
    if (!std::all_of(parts.begin(), parts.end(), IsField)) {
        return std::nullopt;
    }
    // Interface type letters, then an optional board number.
    const std::string_view head = parts.front();
    const std::size_t letters = std::find_if_not(head.begin(), head.end(), IsLetter) - head.begin();
    if (letters == 0) {
        return std::nullopt;
    }
    ResourceName name;
    name.interfaceType_ = AsciiUpper(head.substr(0, letters));
    if (letters < head.size()) {
        const std::optional<unsigned> board = ParseBounded(head.substr(letters), kMaxBoard, false);
        if (!board) {
            return std::nullopt;
        }
        name.board_ = *board;
    }
    std::size_t fieldCount = parts.size() - 1;
    const std::string lastUpper = AsciiUpper(parts.back());
    const bool hasClass = parts.size() > 1 &&
                          std::find(kResourceClasses.begin(), kResourceClasses.end(), lastUpper) !=
                              kResourceClasses.end();
    if (hasClass) {
        name.resourceClass_ = lastUpper;
        name.explicitClass_ = true;
        --fieldCount;
    }
    for (std::size_t i = 1; i <= fieldCount; ++i) {
        name.fields_.emplace_back(parts[i]);
        name.keyFields_.push_back(AsciiUpper(parts[i]));
    }
    if (name.IsUsb() && !name.NormalizeUsbFields()) {
        return std::nullopt;
    }
    if (name.IsTcpipInstr() && !name.NormalizeTcpipFields()) {
        return std::nullopt;
    }
    if (name.Expanded().size() > kMaxNameLength) {
        return std::nullopt;
    }
    return name;
}

// vendor id, product id, serial number[, interface number]
bool ResourceName::NormalizeUsbFields() {
    constexpr unsigned kMaxId = 0xFFFF;
    constexpr unsigned kMaxInterface = 255;
    if (fields_.size() < 3 || fields_.size() > 4) {
        return false;
    }
    const std::optional<unsigned> vendor = ParseBounded(fields_[0], kMaxId, true);
    const std::optional<unsigned> product = ParseBounded(fields_[1], kMaxId, true);
    if (!vendor || !product) {
        return false;
    }
    keyFields_[0] = Hex16(*vendor);
    keyFields_[1] = Hex16(*product);
    if (fields_.size() == 4) {
        const std::optional<unsigned> interface = ParseBounded(fields_[3], kMaxInterface, false);
        if (!interface) {
            return false;
        }
        keyFields_[3] = std::to_string(*interface);
        // Names leave interface 0 out, and a client may spell it out.
        if (*interface == 0) {
            keyFields_.pop_back();
        }
    }
    return true;
}

// host[, device]: the device is inst0 when left out. Host names compare without regard to case,
// device names as written, since a server may tell "inst0" from "INST0".
bool ResourceName::NormalizeTcpipFields() {
    constexpr std::string_view kDefaultDevice = "inst0";
    if (fields_.empty() || fields_.size() > 2 || !IsHost(fields_[0])) {
        return false;
    }
    if (fields_.size() == 1) {
        fields_.emplace_back(kDefaultDevice);
        keyFields_.emplace_back(kDefaultDevice);
    }
    keyFields_[1] = fields_[1];
    return true;
}

// A host name or an IPv4 address: letters, digits, '-' and '.'.
bool ResourceName::IsHost(std::string_view text) {
    constexpr std::size_t kMaxHostName = 253;
    const auto hostCharacter = [](char c) {
        return IsLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    };
    return !text.empty() && text.size() <= kMaxHostName &&
           std::all_of(text.begin(), text.end(), hostCharacter);
}

ViUInt16 ResourceName::InterfaceCode() const {
    constexpr std::array<std::pair<std::string_view, ViUInt16>, 6> kCodes = {{
        {"GPIB", VI_INTF_GPIB},
        {"VXI", VI_INTF_VXI},
        {"ASRL", VI_INTF_ASRL},
        {"PXI", VI_INTF_PXI},
        {"TCPIP", VI_INTF_TCPIP},
        {"USB", VI_INTF_USB},
    }};
    for (const auto& [name, code] : kCodes) {
        if (interfaceType_ == name) {
            return code;
        }
    }
    return 0;
}

std::string ResourceName::Expanded() const {
    std::string expanded = interfaceType_ + std::to_string(board_);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const bool usbId = IsUsb() && i < 2;
        expanded.append(kSeparator).append(usbId ? keyFields_[i] : fields_[i]);
    }
    return expanded.append(kSeparator).append(resourceClass_);
}

std::string ResourceName::Key() const {
    std::string key = interfaceType_ + std::to_string(board_);
    for (const std::string& field : keyFields_) {
        key.append(kSeparator).append(field);
    }
    return key.append(kSeparator).append(resourceClass_);
}

}  // namespace zvisa
