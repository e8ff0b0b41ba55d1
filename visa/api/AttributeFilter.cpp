#include "api/AttributeFilter.h"

#include <array>
#include <utility>

#include "base/AsciiText.h"
#include "visa.h"

namespace zvisa {

namespace {

// Deep enough for any filter a person writes; bounds the recursion of both
// the parser and the evaluation on hostile input.
constexpr int kMaxNesting = 32;

enum class ValueKind { kNumber, kText };

struct KnownAttribute {
    const char* name;
    ViAttr id;
    ValueKind kind;
};

constexpr std::array<KnownAttribute, 8> kAttributes = {{
    {"VI_ATTR_INTF_TYPE", VI_ATTR_INTF_TYPE, ValueKind::kNumber},
    {"VI_ATTR_INTF_NUM", VI_ATTR_INTF_NUM, ValueKind::kNumber},
    {"VI_ATTR_RSRC_CLASS", VI_ATTR_RSRC_CLASS, ValueKind::kText},
    {"VI_ATTR_RSRC_NAME", VI_ATTR_RSRC_NAME, ValueKind::kText},
    {"VI_ATTR_MANF_ID", VI_ATTR_MANF_ID, ValueKind::kNumber},
    {"VI_ATTR_MODEL_CODE", VI_ATTR_MODEL_CODE, ValueKind::kNumber},
    {"VI_ATTR_USB_SERIAL_NUM", VI_ATTR_USB_SERIAL_NUM, ValueKind::kText},
    {"VI_ATTR_USB_INTFC_NUM", VI_ATTR_USB_INTFC_NUM, ValueKind::kNumber},
}};

const KnownAttribute* FindAttribute(std::string_view name) {
    for (const KnownAttribute& attribute : kAttributes) {
        if (EqualsIgnoringCase(name, attribute.name)) {
            return &attribute;
        }
    }
    return nullptr;
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// "31326" or "0x7A5E".
std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    return ParseNumber<std::uint64_t>(hex ? text.substr(2) : text, hex ? 16 : 10);
}

// What the name says of `attribute`; empty when it says nothing.
std::optional<std::uint64_t> NumberOf(ViAttr attribute, const ResourceName& resource) {
    const std::vector<std::string>& fields = resource.Fields();
    switch (attribute) {
        case VI_ATTR_INTF_TYPE:
            return resource.InterfaceCode();
        case VI_ATTR_INTF_NUM:
            return resource.Board();
        case VI_ATTR_MANF_ID:
            return resource.IsUsb() ? ParseUnsigned(fields[0]) : std::nullopt;
        case VI_ATTR_MODEL_CODE:
            return resource.IsUsb() ? ParseUnsigned(fields[1]) : std::nullopt;
        case VI_ATTR_USB_INTFC_NUM:
            if (!resource.IsUsb()) {
                return std::nullopt;
            }
            return fields.size() > 3 ? ParseUnsigned(fields[3]) : std::uint64_t{0};
        default:
            return std::nullopt;
    }
}

std::optional<std::string> TextOf(ViAttr attribute, const ResourceName& resource) {
    switch (attribute) {
        case VI_ATTR_RSRC_CLASS:
            return resource.ResourceClass();
        case VI_ATTR_RSRC_NAME:
            return resource.Expanded();
        case VI_ATTR_USB_SERIAL_NUM:
            return resource.IsUsb() ? std::optional<std::string>(resource.Fields()[2])
                                    : std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

// Recursive descent over the text: or := and {'||' and}, and := unary
// {'&&' unary}, unary := '!' unary | '(' or ')' | comparison.
class AttributeFilter::Parser {
public:
    Parser(std::string_view text, AttributeFilter& out) : text_(text), out_(out) {}

    bool Parse() {
        const std::optional<int> root = Or(0);
        SkipSpaces();
        if (!root || pos_ != text_.size()) {
            return false;
        }
        out_.root_ = *root;
        return true;
    }

private:
    std::optional<int> Or(int depth) { return Chain(depth, "||", Node::kOr); }
    std::optional<int> And(int depth) { return Chain(depth, "&&", Node::kAnd); }

    // One or more operands joined by `op`, as one node.
    std::optional<int> Chain(int depth, std::string_view op, Node::Kind kind) {
        std::vector<int> operands;
        do {
            const std::optional<int> operand = kind == Node::kOr ? And(depth) : Unary(depth);
            if (!operand) {
                return std::nullopt;
            }
            operands.push_back(*operand);
        } while (Take(op));
        if (operands.size() == 1) {
            return operands.front();
        }
        Node node;
        node.kind = kind;
        node.operands = std::move(operands);
        return Add(std::move(node));
    }

    std::optional<int> Unary(int depth) {
        if (depth >= kMaxNesting) {
            return std::nullopt;
        }
        if (Take("!")) {
            const std::optional<int> operand = Unary(depth + 1);
            if (!operand) {
                return std::nullopt;
            }
            Node node;
            node.kind = Node::kNot;
            node.operands = {*operand};
            return Add(std::move(node));
        }
        if (Take("(")) {
            const std::optional<int> inner = Or(depth + 1);
            if (!inner || !Take(")")) {
                return std::nullopt;
            }
            return inner;
        }
        return Comparison();
    }

    std::optional<int> Comparison() {
        SkipSpaces();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_])) {
            ++pos_;
        }
        const KnownAttribute* attribute = FindAttribute(text_.substr(start, pos_ - start));
        const std::optional<Op> op = TakeOperator();
        if (attribute == nullptr || !op) {
            return std::nullopt;
        }
        Node node;
        node.attribute = attribute->id;
        node.op = *op;
        if (attribute->kind == ValueKind::kText) {
            const std::optional<std::string> text = TakeString();
            if (!text || (*op != Op::kEq && *op != Op::kNe)) {
                return std::nullopt;
            }
            node.isText = true;
            node.text = *text;
        } else {
            const std::optional<std::uint64_t> number = TakeNumber();
            if (!number) {
                return std::nullopt;
            }
            node.number = *number;
        }
        return Add(std::move(node));
    }

    // Two-character operators before their one-character prefixes.
    std::optional<Op> TakeOperator() {
        constexpr std::array<std::pair<std::string_view, Op>, 6> kOperators = {{
            {"==", Op::kEq},
            {"!=", Op::kNe},
            {"<=", Op::kLe},
            {">=", Op::kGe},
            {"<", Op::kLt},
            {">", Op::kGt},
        }};
        for (const auto& [text, op] : kOperators) {
            if (Take(text)) {
                return op;
            }
        }
        return std::nullopt;
    }

    std::optional<std::uint64_t> TakeNumber() {
        SkipSpaces();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_])) {
            ++pos_;
        }
        return ParseUnsigned(text_.substr(start, pos_ - start));
    }

    // A double-quoted string; no escapes, as resource names hold no quote.
    std::optional<std::string> TakeString() {
        if (!Take("\"")) {
            return std::nullopt;
        }
        const std::size_t end = text_.find('"', pos_);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        std::string text(text_.substr(pos_, end - pos_));
        pos_ = end + 1;
        return text;
    }

    bool Take(std::string_view token) {
        SkipSpaces();
        if (text_.substr(pos_, token.size()) != token) {
            return false;
        }
        pos_ += token.size();
        return true;
    }

    void SkipSpaces() {
        while (pos_ < text_.size() && text_[pos_] == ' ') {
            ++pos_;
        }
    }

    int Add(Node node) {
        out_.nodes_.push_back(std::move(node));
        return static_cast<int>(out_.nodes_.size()) - 1;
    }

    std::string_view text_;
    AttributeFilter& out_;
    std::size_t pos_ = 0;
};

std::optional<AttributeFilter> AttributeFilter::Compile(std::string_view text) {
    AttributeFilter filter;
    Parser parser(text, filter);
    if (!parser.Parse()) {
        return std::nullopt;
    }
    return filter;
}

bool AttributeFilter::Matches(const ResourceName& resource) const {
    return Evaluate(root_, resource);
}

bool AttributeFilter::Evaluate(int index, const ResourceName& resource) const {
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    switch (node.kind) {
        case Node::kAnd:
            for (const int operand : node.operands) {
                if (!Evaluate(operand, resource)) {
                    return false;
                }
            }
            return true;
        case Node::kOr:
            for (const int operand : node.operands) {
                if (Evaluate(operand, resource)) {
                    return true;
                }
            }
            return false;
        case Node::kNot:
            return !Evaluate(node.operands.front(), resource);
        case Node::kCompare:
            return Compare(node, resource);
    }
    return false;
}

bool AttributeFilter::Compare(const Node& node, const ResourceName& resource) const {
    if (node.isText) {
        const std::optional<std::string> value = TextOf(node.attribute, resource);
        return value && ((*value == node.text) == (node.op == Op::kEq));
    }
    const std::optional<std::uint64_t> value = NumberOf(node.attribute, resource);
    if (!value) {
        return false;
    }
    switch (node.op) {
        case Op::kEq:
            return *value == node.number;
        case Op::kNe:
            return *value != node.number;
        case Op::kLt:
            return *value < node.number;
        case Op::kGt:
            return *value > node.number;
        case Op::kLe:
            return *value <= node.number;
        case Op::kGe:
            return *value >= node.number;
    }
    return false;
}

}  // namespace zvisa
