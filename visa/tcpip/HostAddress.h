#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace zvisa::tcpip {

struct ResolveResult {
    enum Outcome { kFound, kUnknown, kTimeout } outcome = kUnknown;
    in_addr address{};
};

// The IPv4 address of `host`: a dotted address as it is, a name through the system's resolver,
// waiting for it at most `timeout`.
ResolveResult ResolveHost(const std::string& host, std::chrono::milliseconds timeout);

// The address in dotted form.
std::string DottedAddress(const in_addr& address);

// Port 111, or, for tests that run their own portmapper unprivileged, ZVISA_PORTMAPPER_PORT.
std::uint16_t PortmapperPort();

}  // namespace zvisa::tcpip
