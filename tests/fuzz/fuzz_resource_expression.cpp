// The viFindRsrc expression matcher with both the expression and the resource
// string taken from the input (split at the first zero byte; the resource
// ends at the next, as a C string would). Besides not crashing or blowing up
// in time, matching must agree with what grouping, alternation, escaping and
// letter case promise.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "api/ResourceExpression.h"

namespace {

using zvisa::ResourceExpression;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// An expression that matches `text` and nothing else.
std::string Literal(std::string_view text) {
    std::string expression;
    for (const char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            expression += '\\';
        }
        expression += c;
    }
    return expression;
}

std::string SwapCase(std::string_view text) {
    std::string swapped(text);
    for (char& c : swapped) {
        const auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(std::islower(byte) ? std::toupper(byte) : std::tolower(byte));
    }
    return swapped;
}

bool Matches(const std::string& expression, std::string_view resource) {
    const std::optional<ResourceExpression> compiled = ResourceExpression::Compile(expression);
    Require(compiled.has_value());
    return compiled->Matches(resource);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string expression(input.substr(0, split));
    const std::string_view rest = split == std::string_view::npos ? "" : input.substr(split + 1);
    const std::string_view resource = rest.substr(0, rest.find('\0'));

    // "?*" matches anything; the resource spelled out matches it in any letter
    // case (an empty expression is malformed, so only for a resource).
    Require(Matches("?*", resource));
    if (!resource.empty()) {
        Require(Matches(Literal(resource), resource));
        Require(Matches(Literal(resource), SwapCase(resource)));
    }

    const std::optional<ResourceExpression> compiled = ResourceExpression::Compile(expression);
    if (!compiled) {
        return 0;
    }
    const bool matched = compiled->Matches(resource);
    Require(compiled->Matches(SwapCase(resource)) == matched);
    Require(Matches("(" + expression + ")", resource) == matched);
    if (!resource.empty()) {
        Require(Matches(expression + "|" + Literal(resource), resource));
    }
    return 0;
}
