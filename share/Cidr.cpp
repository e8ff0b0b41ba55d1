#include "share/Cidr.h"

#include <cstdlib>

std::optional<Cidr> Cidr::Parse(const std::string& text) {
    std::string::size_type slash = text.find('/');
    std::optional<NetAddress> network = NetAddress::Parse(text.substr(0, slash));
    if (!network) {
        return std::nullopt;
    }
    Cidr cidr;
    cidr.network_ = *network;
    unsigned maxBits = static_cast<unsigned>(network->ByteCount() * 8);
    cidr.prefixBits_ = maxBits;
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        if (bits.empty() || bits.size() > 3 ||
            bits.find_first_not_of("0123456789") != std::string::npos ||
            std::atoi(bits.c_str()) > static_cast<int>(maxBits)) {
            return std::nullopt;
        }
        cidr.prefixBits_ = static_cast<unsigned>(std::atoi(bits.c_str()));
    }
    return cidr;
}

bool Cidr::Contains(const NetAddress& address) const {
    if (address.Family() != network_.Family()) {
        return false;
    }
    const std::uint8_t* a = address.Bytes();
    const std::uint8_t* n = network_.Bytes();
    unsigned bits = prefixBits_;
    for (std::size_t i = 0; bits > 0; ++i, bits = bits >= 8 ? bits - 8 : 0) {
        std::uint8_t mask = bits >= 8 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - bits));
        if ((a[i] & mask) != (n[i] & mask)) {
            return false;
        }
    }
    return true;
}
