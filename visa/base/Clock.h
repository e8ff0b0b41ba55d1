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
    // check their condition again.
    virtual void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TimePoint until) = 0;

    // The steady clock and real waits; shared, as it holds no state.
    static Clock& Steady();
};

}  // namespace zvisa
