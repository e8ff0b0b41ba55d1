#include "share/SocketIo.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kListenBacklog = 64;

UniqueFd BoundSocket(const NetAddress& address, int type, std::string& error) {
    UniqueFd fd(::socket(address.Family(), type | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        error = SystemError("socket");
        return fd;
    }
    int on = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (address.Family() == AF_INET6) {
        ::setsockopt(fd.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    if (::bind(fd.Get(), address.Sockaddr(), address.Length()) != 0) {
        error =
            SystemError("bind to " + address.Host() + " port " + std::to_string(address.Port()));
        fd.Reset();
    }
    return fd;
}

}  // namespace

std::string SystemError(const std::string& call) {
    return call + ": " + std::strerror(errno);
}

UniqueFd ListenTcp(const NetAddress& address, std::string& error) {
    UniqueFd fd = BoundSocket(address, SOCK_STREAM, error);
    if (fd.Valid() && ::listen(fd.Get(), kListenBacklog) != 0) {
        error = SystemError("listen");
        fd.Reset();
    }
    return fd;
}

UniqueFd BindUdp(const NetAddress& address, std::string& error) {
    UniqueFd fd = BoundSocket(address, SOCK_DGRAM, error);
    int on = 1;
    if (fd.Valid() && ::setsockopt(fd.Get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        error = SystemError("IP_PKTINFO");
        fd.Reset();
    }
    return fd;
}

UniqueFd ConnectTcp(const NetAddress& address, std::chrono::milliseconds timeout) {
    UniqueFd fd(::socket(address.Family(), SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) {
        return fd;
    }
    if (::connect(fd.Get(), address.Sockaddr(), address.Length()) != 0) {
        if (errno != EINPROGRESS) {
            return UniqueFd();
        }
        pollfd pfd{fd.Get(), POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) != 1 ||
            ::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return UniqueFd();
        }
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes, std::chrono::milliseconds timeout) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        pollfd pfd{fd, POLLOUT, 0};
        int ready = ::poll(&pfd, 1, static_cast<int>(timeout.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready != 1) {
            return false;
        }
        ssize_t n =
            ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

NetAddress LocalAddress(int fd) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
    return NetAddress::FromSockaddr(reinterpret_cast<sockaddr*>(&storage), length);
}
