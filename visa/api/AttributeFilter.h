#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ResourceName.h"

namespace zvisa {

// The attribute part of a find expression, between '{' and '}':
// comparisons such as VI_ATTR_MANF_ID==0x7A5E or
// VI_ATTR_USB_SERIAL_NUM!="A1" joined with &&, || and !, in parentheses.
// Numbers compare with == != < > <= >=, strings ("...", exact) with == and
// != only. The attributes are those a resource's name tells without opening
// it: interface type and number, resource class and name, and for USB the
// manufacturer and model ids, serial number and interface number. A
// resource without the attribute matches no comparison on it.
class AttributeFilter {
public:
    // Empty when the filter is malformed, names an attribute it cannot
    // know, or compares a string by order.
    static std::optional<AttributeFilter> Compile(std::string_view text);

    bool Matches(const ResourceName& resource) const;

private:
    enum class Op : std::uint8_t { kEq, kNe, kLt, kGt, kLe, kGe };
    struct Node {
        enum Kind : std::uint8_t { kAnd, kOr, kNot, kCompare } kind = kCompare;
        std::vector<int> operands;  // nodes, for kAnd, kOr and kNot
        std::uint32_t attribute = 0;
        Op op = Op::kEq;
        bool isText = false;
        std::uint64_t number = 0;
        std::string text;
    };

    class Parser;

    bool Evaluate(int node, const ResourceName& resource) const;
    bool Compare(const Node& node, const ResourceName& resource) const;

    std::vector<Node> nodes_;
    int root_ = -1;
};

}  // namespace zvisa
