#include "tcpip/TcpConnection.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace zvisa::tcpip {

NetResult TcpConnection::Connect(const in_addr& address, std::uint16_t port,
                                 const SocketWait& wait) {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return NetResult::kError;
    }
    // Calls are small records that wait for their replies: no Nagle delay.
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr = address;
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        return NetResult::kOk;
    }
    if (errno != EINPROGRESS) {
        const bool refused = errno == ECONNREFUSED;
        Close();
        return refused ? NetResult::kRefused : NetResult::kError;
    }
    const NetResult ready = WaitFor(POLLOUT, wait);
    if (ready != NetResult::kOk) {
        Close();
        return ready;
    }
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
        Close();
        return error == ECONNREFUSED ? NetResult::kRefused : NetResult::kError;
    }
    return NetResult::kOk;
}

NetResult TcpConnection::SendAll(const std::uint8_t* data, std::size_t length,
                                 const SocketWait& wait) {
    std::size_t sent = 0;
    while (sent < length) {
        if (fd_ < 0) {
            return NetResult::kClosed;
        }
        const ssize_t n = send(fd_, data + sent, length - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const NetResult ready = WaitFor(POLLOUT, wait); ready != NetResult::kOk) {
                return ready;
            }
            continue;
        }
        return NetResult::kClosed;
    }
    return NetResult::kOk;
}

NetResult TcpConnection::Receive(std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                                 const SocketWait& wait) {
    received = 0;
    for (;;) {
        if (fd_ < 0) {
            return NetResult::kClosed;
        }
        const ssize_t n = recv(fd_, buffer, capacity, 0);
        if (n > 0) {
            received = static_cast<std::size_t>(n);
            return NetResult::kOk;
        }
        if (n == 0) {
            return NetResult::kClosed;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return NetResult::kClosed;
        }
        if (const NetResult ready = WaitFor(POLLIN, wait); ready != NetResult::kOk) {
            return ready;
        }
    }
}

void TcpConnection::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

// A wake that finds the call not stopped is an old one: drained, and the wait goes on.
NetResult TcpConnection::WaitFor(short events, const SocketWait& wait) {
    for (;;) {
        if (wait.Stopped()) {
            return NetResult::kStopped;
        }
        if (wait.Expired()) {
            return NetResult::kTimeout;
        }
        pollfd fds[2] = {{fd_, events, 0},
                         {wait.waker != nullptr ? wait.waker->Fd() : -1, POLLIN, 0}};
        const int n = poll(fds, 2, wait.PollTimeoutMs());
        if (n < 0 && errno != EINTR) {
            return NetResult::kError;
        }
        if (fds[1].revents != 0) {
            wait.waker->Drain();
        }
        if ((fds[0].revents & (events | POLLERR | POLLHUP)) != 0) {
            return NetResult::kOk;
        }
    }
}

}  // namespace zvisa::tcpip
