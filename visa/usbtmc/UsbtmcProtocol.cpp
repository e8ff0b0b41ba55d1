#include "usbtmc/UsbtmcProtocol.h"

namespace zvisa::usbtmc {

void EncodeBulkHeader(const BulkHeader& header, std::uint8_t* out) {
    out[0] = header.msgId;
    out[1] = header.bTag;
    out[2] = static_cast<std::uint8_t>(~header.bTag);
    out[3] = 0;
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = static_cast<std::uint8_t>(header.transferSize >> (8 * i));
    }
    out[8] = header.attributes;
    out[9] = header.termChar;
    out[10] = 0;
    out[11] = 0;
}

std::optional<BulkHeader> ParseBulkHeader(const std::uint8_t* data, std::size_t length) {
    if (length < kBulkHeaderSize || data[2] != static_cast<std::uint8_t>(~data[1])) {
        return std::nullopt;
    }
    BulkHeader header;
    header.msgId = data[0];
    header.bTag = data[1];
    for (int i = 0; i < 4; ++i) {
        header.transferSize |= static_cast<std::uint32_t>(data[4 + i]) << (8 * i);
    }
    header.attributes = data[8];
    header.termChar = data[9];
    return header;
}

}  // namespace zvisa::usbtmc
