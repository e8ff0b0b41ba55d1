#include "share/GatewayName.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        std::string::size_type end = text.find("::", start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return fields;
        }
        start = end + 2;
    }
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// "0x7A5E" or "31326" as the decimal text.
std::optional<std::string> Decimal(const std::string& id) {
    if (id.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    unsigned long value = std::strtoul(id.c_str(), &end, 0);
    if (*end != '\0' || value > 0xFFFF) {
        return std::nullopt;
    }
    return std::to_string(value);
}

}  // namespace

std::optional<std::string> UsbGatewayName(const std::string& resource) {
    std::vector<std::string> fields = SplitFields(resource);
    if (fields.size() < 5 || fields.size() > 6 || Upper(fields.back()) != "INSTR") {
        return std::nullopt;
    }
    const std::string board = Upper(fields[0]);
    if (board.compare(0, 3, "USB") != 0 ||
        board.find_first_not_of("0123456789", 3) != std::string::npos) {
        return std::nullopt;
    }
    std::optional<std::string> vid = Decimal(fields[1]);
    std::optional<std::string> pid = Decimal(fields[2]);
    std::string interface = fields.size() == 6 ? fields[4] : "0";
    if (!vid || !pid || fields[3].empty() || interface.empty() ||
        interface.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    std::string boardNumber = board.size() > 3 ? board.substr(3) : "0";
    return "usb" + boardNumber + "[" + *vid + "::" + *pid + "::" + fields[3] + "::" + interface +
           "]";
}
