#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zvisa::tcpip {

// The IPv4 address of `host`: a dotted address as it is, a name through the system's resolver
// (bounded by its own timeouts), or empty when it has none.
std::optional<in_addr> ResolveHost(const std::string& host);

// The address in dotted form.
std::string DottedAddress(const in_addr& address);

// Port 111, or, for tests that run their own portmapper unprivileged, ZVISA_PORTMAPPER_PORT.
std::uint16_t PortmapperPort();

}  // namespace zvisa::tcpip
