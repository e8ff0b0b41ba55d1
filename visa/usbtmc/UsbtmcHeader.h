#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace zvisa::usbtmc {

// The 12-byte header that starts every USBTMC bulk transfer.
constexpr std::size_t kBulkHeaderSize = 12;

enum MsgId : std::uint8_t {
    kDevDepMsgOut = 1,
    kRequestDevDepMsgIn = 2,
    kDevDepMsgIn = 2,
};

// bmTransferAttributes: D0 of DEV_DEP_MSG_OUT and DEV_DEP_MSG_IN.
constexpr std::uint8_t kEndOfMessage = 0x01;

struct BulkHeader {
    std::uint8_t msgId = 0;
    std::uint8_t bTag = 0;
    std::uint32_t transferSize = 0;  // little-endian on the wire
    std::uint8_t attributes = 0;
    std::uint8_t termChar = 0;
};

void EncodeBulkHeader(const BulkHeader& header, std::uint8_t* out);

// Empty when fewer than 12 bytes are given or bTagInverse does not match.
std::optional<BulkHeader> ParseBulkHeader(const std::uint8_t* data, std::size_t length);

// Bulk transfers are padded to a multiple of 4 bytes.
constexpr std::size_t PaddedLength(std::size_t length) {
    return (length + 3) & ~std::size_t{3};
}

}  // namespace zvisa::usbtmc
