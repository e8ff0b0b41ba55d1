// The "DR?" block decoder on arbitrary replies: it must never read past the
// delivered bytes, never report more readings than fit in them, and every
// reading it reports must be the bytes at its place in the block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "run/ReadingBlock.h"
#include "run/ReadingText.h"

namespace {

constexpr std::size_t kHeaderStart = 2;  // '#' and the digit count
constexpr std::size_t kReadingSize = 4;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::size_t LengthDigits(const std::uint8_t* data, std::size_t size) {
    return size > 1 && data[1] >= '0' && data[1] <= '9' ? data[1] - '0' : 0;
}

void CheckValueText(float value) {
    const std::string text = ValueText(value);
    Require(!text.empty());
    Require(text.find(',') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so one byte too far is a heap overflow.
    std::vector<std::uint8_t> reply(data, data + size);
    const ReadingBlock block = DecodeReadingBlock(reply.data(), reply.size());

    Require(block.Received() <= block.announced);
    if (block.Received() == 0) {
        return 0;
    }
    const std::size_t dataOffset = kHeaderStart + LengthDigits(data, size);
    Require(dataOffset + block.Received() * kReadingSize <= size);
    for (std::size_t k = 0; k < block.Received(); ++k) {
        Require(std::memcmp(&block.values[k], data + dataOffset + k * kReadingSize, kReadingSize) ==
                0);
        CheckValueText(block.values[k]);
    }
    return 0;
}
