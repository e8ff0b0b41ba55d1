#include "run/ReadingBlock.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kDigitCountOffset = 1;
constexpr std::size_t kLengthTextOffset = 2;
constexpr std::size_t kReadingSize = 4;

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Like strtol on a text that is not zero-terminated: optional blanks, an
// optional sign, then digits. Clamps instead of overflowing.
long long ParseLength(const unsigned char* text, std::size_t size) {
    constexpr long long kMaxLength = 1'000'000'000'000LL;
    std::size_t i = 0;
    while (i < size && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < size && IsDigit(text[i]); ++i) {
        value = std::min(kMaxLength, value * 10 + (text[i] - '0'));
    }
    return negative ? -value : value;
}

float LittleEndianFloat(const unsigned char* bytes) {
    const std::uint32_t bits = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                               std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ReadingBlock DecodeReadingBlock(const unsigned char* data, std::size_t length) {
    ReadingBlock block;
    if (data == nullptr || length < kLengthTextOffset) {
        return block;
    }
    const unsigned char digitChar = data[kDigitCountOffset];
    const std::size_t digits = IsDigit(digitChar) ? digitChar - '0' : 0;
    const std::size_t dataOffset = kLengthTextOffset + digits;
    if (length < dataOffset) {
        return block;
    }
    const long long byteCount = ParseLength(data + kLengthTextOffset, digits);
    if (byteCount > 0) {
        block.announced = static_cast<std::size_t>(byteCount) / kReadingSize;
    }
    const std::size_t whole = (length - dataOffset) / kReadingSize;
    const std::size_t count = std::min(block.announced, whole);
    block.values.resize(count);
    const unsigned char* reading = data + dataOffset;
    for (std::size_t k = 0; k < count; ++k, reading += kReadingSize) {
        block.values[k] = LittleEndianFloat(reading);
    }
    return block;
}
