#include "TestBlocks.h"

#include <cstdint>
#include <cstring>

std::string FloatBytes(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>(bits >> (8 * i) & 0xFF);
    }
    return bytes;
}

std::string BlockWithHeader(const std::string& header, const std::vector<float>& values) {
    std::string block = header;
    for (const float value : values) {
        block += FloatBytes(value);
    }
    return block;
}

std::string ReadingBlockBytes(const std::vector<float>& values) {
    const std::string length = std::to_string(values.size() * 4);
    return BlockWithHeader("#" + std::to_string(length.size()) + length, values);
}

std::vector<float> RampReadings(std::size_t count) {
    std::vector<float> values(count);
    for (std::size_t k = 0; k < count; ++k) {
        values[k] = static_cast<float>(k) * 0.5f - 100.0f;
    }
    return values;
}
