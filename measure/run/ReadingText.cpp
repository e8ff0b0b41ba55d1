#include "run/ReadingText.h"

#include <charconv>
#include <cmath>

std::string IndexText(std::size_t index) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, index);
    return std::string(text, result.ptr);
}

std::string ValueText(float value) {
    if (std::isnan(value)) {
        return "nan";  // to_chars would keep the sign bit as "-nan"
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    // The largest float has 39 integer digits; sign, point and 6 decimals fit too.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}
