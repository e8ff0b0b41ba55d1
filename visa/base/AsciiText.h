#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

// Text as resource strings, ZVISA_SIM and instrument commands are written:
// ASCII, read without regard to the locale, so that no locale may change
// what matches or what a number means.
namespace zvisa {

inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = AsciiUpper(c);
    }
    return upper;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// Without blanks, tabs and line ends at either end.
inline std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The number that all of `text` spells, or empty: no sign for unsigned
// types, no blanks, nothing after the digits. `base` applies to integers.
template <typename T>
std::optional<T> ParseNumber(std::string_view text, int base = 10) {
    T value{};
    const char* end = text.data() + text.size();
    std::from_chars_result parsed{};
    if constexpr (std::is_floating_point_v<T>) {
        parsed = std::from_chars(text.data(), end, value);
    } else {
        parsed = std::from_chars(text.data(), end, value, base);
    }
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end) {
        return std::nullopt;
    }
    return value;
}

// The byte as a C string literal writes it: itself when printable ASCII,
// else \n, \t, \r or \xHH; quotes and backslashes escaped.
inline void AppendEscaped(std::string& out, unsigned char byte) {
    constexpr std::string_view kShortEscapes = "\nn\tt\rr\"\"\\\\";  // byte, then its letter
    const std::size_t at = kShortEscapes.find(static_cast<char>(byte));
    if (at != std::string_view::npos && at % 2 == 0) {
        out.append({'\\', kShortEscapes[at + 1]});
    } else if (byte < 0x20 || byte >= 0x7F) {
        constexpr char kHex[] = "0123456789abcdef";
        out.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]});
    } else {
        out.push_back(static_cast<char>(byte));
    }
}

// `text` safe to print on one terminal line: no line feed splits a message
// and no escape sequence reaches the terminal. Past `maxBytes` of `text` the
// rest is left out and "..." says so.
inline std::string PrintableText(std::string_view text, std::size_t maxBytes) {
    std::string printable;
    for (std::size_t i = 0; i < text.size() && i < maxBytes; ++i) {
        AppendEscaped(printable, static_cast<unsigned char>(text[i]));
    }
    if (text.size() > maxBytes) {
        printable += "...";
    }
    return printable;
}

}  // namespace zvisa
