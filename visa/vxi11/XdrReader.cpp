#include "vxi11/XdrReader.h"

namespace zvisa::vxi11 {

std::uint32_t XdrReader::GetUint32() {
    if (!ok_ || length_ - offset_ < 4) {
        ok_ = false;
        return 0;
    }
    const std::uint8_t* p = data_ + offset_;
    offset_ += 4;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

bool XdrReader::GetBool() {
    std::uint32_t value = GetUint32();
    if (value > 1) {
        ok_ = false;
    }
    return ok_ && value == 1;
}

const std::uint8_t* XdrReader::Take(std::size_t count, std::size_t maxLength) {
    if (!ok_ || count > maxLength) {
        ok_ = false;
        return nullptr;
    }
    std::size_t padded = count + (4 - count % 4) % 4;
    if (padded > length_ - offset_) {
        ok_ = false;
        return nullptr;
    }
    const std::uint8_t* start = data_ + offset_;
    offset_ += padded;
    return start;
}

std::vector<std::uint8_t> XdrReader::GetOpaque(std::size_t maxLength) {
    std::size_t count = GetUint32();
    const std::uint8_t* start = Take(count, maxLength);
    return start ? std::vector<std::uint8_t>(start, start + count) : std::vector<std::uint8_t>{};
}

std::string XdrReader::GetString(std::size_t maxLength) {
    std::size_t count = GetUint32();
    const std::uint8_t* start = Take(count, maxLength);
    return start ? std::string(reinterpret_cast<const char*>(start), count) : std::string{};
}

void XdrReader::SkipOpaque(std::size_t maxLength) {
    std::size_t count = GetUint32();
    Take(count, maxLength);
}

}  // namespace zvisa::vxi11
