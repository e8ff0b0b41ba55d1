#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zvisa {

// Time as a transport, the USBTMC exchange over it and the simulated meter
// behind it see it: the steady clock, or a VirtualClock that tests use so
// that timeouts run their full length without real waiting.
class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
    virtual void SleepFor(std::chrono::milliseconds duration) = 0;
    // Until `changed` is notified or `until` has come; `lock` holds the
    // mutex that guards what `changed` signals. May return early, so callers
    // check their condition again. TimePoint::max() waits for a notification
    // only, on every clock.
    virtual void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TimePoint until) = 0;

    // The steady clock and real waits; shared, as it holds no state.
    static Clock& Steady();
};

// `from` + `duration`, or TimePoint::max() where that would not fit: an
// infinite timeout or a long virtual run must not overflow.
template <typename Duration>
Clock::TimePoint Later(Clock::TimePoint from, Duration duration) {
    using std::chrono::duration_cast;
    if (duration <= Duration::zero()) {
        return from;
    }
    const auto room = Clock::TimePoint::max() - from;
    if (duration >= duration_cast<Duration>(room)) {
        return Clock::TimePoint::max();
    }
    return from + duration_cast<Clock::TimePoint::duration>(duration);
}

}  // namespace zvisa
