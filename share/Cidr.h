#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "share/NetAddress.h"

// An address block of --allow: "192.0.2.0/24", "2001:db8::/32", or one address ("192.0.2.7").
class Cidr {
public:
    static std::optional<Cidr> Parse(const std::string& text);
    bool Contains(const NetAddress& address) const;

private:
    NetAddress network_;
    unsigned prefixBits_ = 0;
};
