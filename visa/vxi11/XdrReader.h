#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// XDR decoding (RFC 4506) with bounds checks: a read past the end, or a length above the bound
// the caller names, fails the reader for good, so a caller can decode a whole message and check
// Ok() once at the end. A failed reader returns zeros and empty data.
namespace zvisa::vxi11 {

class XdrReader {
public:
    XdrReader(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}
    explicit XdrReader(const std::vector<std::uint8_t>& bytes)
        : XdrReader(bytes.data(), bytes.size()) {}

    std::uint32_t GetUint32();
    std::int32_t GetInt32() { return static_cast<std::int32_t>(GetUint32()); }
    // XDR booleans are 0 or 1; anything else fails the reader.
    bool GetBool();
    // Variable-length opaque data and strings of at most `maxLength` bytes.
    std::vector<std::uint8_t> GetOpaque(std::size_t maxLength);
    std::string GetString(std::size_t maxLength);
    // Skips opaque data of at most `maxLength` bytes (an RPC credential's body).
    void SkipOpaque(std::size_t maxLength);

    bool Ok() const { return ok_; }
    std::size_t Remaining() const { return ok_ ? length_ - offset_ : 0; }
    // Whether the whole message was read and nothing was left over.
    bool AtEnd() const { return ok_ && offset_ == length_; }

private:
    // The start of `count` bytes plus padding, or null (and failed) when they are not there.
    const std::uint8_t* Take(std::size_t count, std::size_t maxLength);

    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

}  // namespace zvisa::vxi11
