#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// XDR encoding (RFC 4506): big-endian 4-byte units, opaque data and strings as a length and the
// bytes padded to a multiple of four.
namespace zvisa::vxi11 {

class XdrWriter {
public:
    void PutUint32(std::uint32_t value);
    void PutInt32(std::int32_t value) { PutUint32(static_cast<std::uint32_t>(value)); }
    void PutBool(bool value) { PutUint32(value ? 1 : 0); }
    // Variable-length opaque data and strings: length, bytes, padding.
    void PutOpaque(const std::uint8_t* data, std::size_t length);
    void PutString(std::string_view text);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace zvisa::vxi11
