#pragma once

#include <chrono>

namespace zvisa {

// Time as the USBTMC exchange sees it. Tests substitute a clock that their
// scripted device advances, so timeouts are checked without real waiting.
class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now();
    virtual void SleepFor(std::chrono::milliseconds duration);

    // The steady clock and real sleeps; shared, as it holds no state.
    static Clock& Steady();
};

}  // namespace zvisa
