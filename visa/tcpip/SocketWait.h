#pragma once

#include <chrono>
#include <functional>

namespace zvisa::tcpip {

// How a socket operation may end besides succeeding.
enum class NetResult { kOk, kTimeout, kStopped, kClosed, kRefused, kError };

// Wakes a thread blocked in a socket wait from any other thread: an eventfd that the wait polls
// beside its socket.
class Waker {
public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    void Wake();
    // Forgets the wakes so far.
    void Drain();
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

// The bound of one wait: a point in time (or none), and what ends it early: the waker, once the
// stop check says so.
struct SocketWait {
    using TimePoint = std::chrono::steady_clock::time_point;

    // Ends after `timeoutMs`; VI_TMO_INFINITE (0xFFFFFFFF) never ends.
    static SocketWait For(unsigned timeoutMs, Waker* waker = nullptr,
                          std::function<bool()> stopped = {});

    bool Expired() const;
    bool Stopped() const { return stopped && stopped(); }
    // poll()'s timeout for what is left: -1 when infinite.
    int PollTimeoutMs() const;
    // What is left, in whole ms, for a timeout sent to the peer.
    unsigned RemainingMs() const;

    bool infinite = false;
    TimePoint end;
    Waker* waker = nullptr;
    std::function<bool()> stopped;
};

}  // namespace zvisa::tcpip
