#pragma once

#include <string>
#include <string_view>

namespace zvisa {

// Resource strings and instrument commands compare without regard to case,
// in ASCII only: no locale may change what matches.
inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = AsciiUpper(c);
    }
    return upper;
}

}  // namespace zvisa
