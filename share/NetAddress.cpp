#include "share/NetAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

std::optional<NetAddress> NetAddress::Parse(const std::string& text, std::uint16_t port) {
    NetAddress address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage_);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage_);
    if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
    } else if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
    } else {
        return std::nullopt;
    }
    address.SetPort(port);
    return address;
}

NetAddress NetAddress::FromSockaddr(const sockaddr* from, socklen_t length) {
    NetAddress address;
    std::memcpy(&address.storage_, from, std::min<std::size_t>(length, sizeof address.storage_));
    auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.storage_);
    if (address.Family() == AF_INET6 && IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_port = v6->sin6_port;
        std::memcpy(&v4.sin_addr, v6->sin6_addr.s6_addr + 12, 4);
        address.storage_ = {};
        std::memcpy(&address.storage_, &v4, sizeof v4);
    }
    return address;
}

socklen_t NetAddress::Length() const {
    return Family() == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
}

std::uint16_t NetAddress::Port() const {
    return ntohs(Family() == AF_INET ? reinterpret_cast<const sockaddr_in*>(&storage_)->sin_port
                                     : reinterpret_cast<const sockaddr_in6*>(&storage_)->sin6_port);
}

void NetAddress::SetPort(std::uint16_t port) {
    if (Family() == AF_INET) {
        reinterpret_cast<sockaddr_in*>(&storage_)->sin_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in6*>(&storage_)->sin6_port = htons(port);
    }
}

const std::uint8_t* NetAddress::Bytes() const {
    if (Family() == AF_INET) {
        return reinterpret_cast<const std::uint8_t*>(
            &reinterpret_cast<const sockaddr_in*>(&storage_)->sin_addr);
    }
    return reinterpret_cast<const sockaddr_in6*>(&storage_)->sin6_addr.s6_addr;
}

bool NetAddress::IsWildcard() const {
    const std::uint8_t* bytes = Bytes();
    for (std::size_t i = 0; i < ByteCount(); ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

std::string NetAddress::Host() const {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(Family(), Bytes(), text, sizeof text);
    return text;
}

bool NetAddress::SameHost(const NetAddress& other) const {
    return Family() == other.Family() && std::memcmp(Bytes(), other.Bytes(), ByteCount()) == 0;
}
