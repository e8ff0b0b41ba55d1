#include "base/VirtualClock.h"

namespace zvisa {

Clock::TimePoint VirtualClock::Now() {
    return TimePoint(TimePoint::duration(ticks_.load()));
}

void VirtualClock::SleepFor(std::chrono::milliseconds duration) {
    Advance(duration);
}

void VirtualClock::WaitUntil(std::condition_variable&, std::unique_lock<std::mutex>&,
                             TimePoint until) {
    AdvanceTo(until);
}

void VirtualClock::Advance(std::chrono::nanoseconds duration) {
    ticks_ += std::chrono::duration_cast<TimePoint::duration>(duration).count();
}

std::chrono::milliseconds VirtualClock::Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        TimePoint::duration(ticks_.load()));
}

// Never backwards: another session may have moved the clock further already.
void VirtualClock::AdvanceTo(TimePoint until) {
    const TimePoint::rep target = until.time_since_epoch().count();
    TimePoint::rep now = ticks_.load();
    while (now < target && !ticks_.compare_exchange_weak(now, target)) {
    }
}

}  // namespace zvisa
