#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "tcpip/SocketWait.h"

namespace zvisa::tcpip {

// One non-blocking TCP connection to an IPv4 address; every call waits at most its SocketWait.
class TcpConnection {
public:
    TcpConnection() = default;
    ~TcpConnection() { Close(); }
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // kRefused when nothing listens there.
    NetResult Connect(const in_addr& address, std::uint16_t port, const SocketWait& wait);
    NetResult SendAll(const std::uint8_t* data, std::size_t length, const SocketWait& wait);
    // Some bytes, at most `capacity`; kClosed when the peer closed the stream.
    NetResult Receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                      const SocketWait& wait);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    // Until the socket is ready for `events`.
    NetResult WaitFor(short events, const SocketWait& wait);

    int fd_ = -1;
};

}  // namespace zvisa::tcpip
