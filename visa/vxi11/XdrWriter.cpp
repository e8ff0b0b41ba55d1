#include "vxi11/XdrWriter.h"

namespace zvisa::vxi11 {

void XdrWriter::PutUint32(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void XdrWriter::PutOpaque(const std::uint8_t* data, std::size_t length) {
    PutUint32(static_cast<std::uint32_t>(length));
    bytes_.insert(bytes_.end(), data, data + length);
    bytes_.resize(bytes_.size() + (4 - length % 4) % 4, 0);
}

void XdrWriter::PutString(std::string_view text) {
    PutOpaque(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace zvisa::vxi11
