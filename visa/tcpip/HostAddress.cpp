#include "tcpip/HostAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

#include "base/AsciiText.h"
#include "vxi11/Portmapper.h"

namespace zvisa::tcpip {

std::optional<in_addr> ResolveHost(const std::string& host) {
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::memcpy(&address, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr,
                sizeof address);
    freeaddrinfo(found);
    return address;
}

std::string DottedAddress(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::uint16_t PortmapperPort() {
    const char* text = std::getenv("ZVISA_PORTMAPPER_PORT");
    const auto port = text != nullptr ? ParseNumber<std::uint16_t>(text) : std::nullopt;
    return port && *port != 0 ? *port : vxi11::kPortmapperPort;
}

}  // namespace zvisa::tcpip
