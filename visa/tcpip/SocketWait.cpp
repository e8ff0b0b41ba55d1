#include "tcpip/SocketWait.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace zvisa::tcpip {

namespace {
constexpr unsigned kInfiniteMs = 0xFFFFFFFFu;
}

Waker::Waker() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Waker::~Waker() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void Waker::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void Waker::Drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(fd_, &count, sizeof count);
}

SocketWait SocketWait::For(unsigned timeoutMs, Waker* waker, std::function<bool()> stopped) {
    SocketWait wait;
    wait.infinite = timeoutMs == kInfiniteMs;
    wait.end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    wait.waker = waker;
    wait.stopped = std::move(stopped);
    return wait;
}

bool SocketWait::Expired() const {
    return !infinite && std::chrono::steady_clock::now() >= end;
}

int SocketWait::PollTimeoutMs() const {
    if (infinite) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    return static_cast<int>(
        std::clamp<long long>(left.count(), 0, std::numeric_limits<int>::max()));
}

unsigned SocketWait::RemainingMs() const {
    if (infinite) {
        return kInfiniteMs;
    }
    return static_cast<unsigned>(PollTimeoutMs());  // never negative, so never infinite
}

}  // namespace zvisa::tcpip
