#include "base/Clock.h"

#include <thread>

namespace zvisa {

Clock::TimePoint Clock::Now() {
    return std::chrono::steady_clock::now();
}

void Clock::SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

Clock& Clock::Steady() {
    static Clock steady;
    return steady;
}

}  // namespace zvisa
