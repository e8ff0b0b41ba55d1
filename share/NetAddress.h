#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <optional>
#include <string>

// An IPv4 or IPv6 address with a port, as the socket calls take it. An IPv4 address reaching an
// IPv6 socket (::ffff:a.b.c.d) is kept as the IPv4 address it is.
class NetAddress {
public:
    NetAddress() = default;
    // From a numeric address ("127.0.0.1", "::1"); no name lookup.
    static std::optional<NetAddress> Parse(const std::string& text, std::uint16_t port = 0);
    static NetAddress FromSockaddr(const sockaddr* address, socklen_t length);

    int Family() const { return storage_.ss_family; }
    const sockaddr* Sockaddr() const { return reinterpret_cast<const sockaddr*>(&storage_); }
    socklen_t Length() const;
    std::uint16_t Port() const;
    void SetPort(std::uint16_t port);
    bool IsWildcard() const;
    // The address bytes in network order: 4 for IPv4, 16 for IPv6.
    const std::uint8_t* Bytes() const;
    std::size_t ByteCount() const { return Family() == AF_INET ? 4 : 16; }
    // The address without the port ("192.0.2.1", "2001:db8::1").
    std::string Host() const;
    bool SameHost(const NetAddress& other) const;

private:
    sockaddr_storage storage_{};
};
