#include "tcpip/HostAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "base/AsciiText.h"
#include "vxi11/Portmapper.h"

namespace zvisa::tcpip {

namespace {

// The resolver's answer, shared by the caller and the thread that asks, so a caller that stops
// waiting leaves the thread a place to put it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<in_addr> address;
};

std::optional<in_addr> AskResolver(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    in_addr address{};
    std::memcpy(&address, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr,
                sizeof address);
    freeaddrinfo(found);
    return address;
}

}  // namespace

// getaddrinfo has no timeout of its own but the resolver's, which may be long: it runs in a
// thread of its own, and the caller waits for it only as long as it was given.
ResolveResult ResolveHost(const std::string& host, std::chrono::milliseconds timeout) {
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
        return {ResolveResult::kFound, address};
    }
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        std::optional<in_addr> answer = AskResolver(host);
        const std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->address = answer;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, timeout, [&] { return lookup->finished; })) {
        return {ResolveResult::kTimeout, {}};
    }
    if (!lookup->address) {
        return {ResolveResult::kUnknown, {}};
    }
    return {ResolveResult::kFound, *lookup->address};
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
