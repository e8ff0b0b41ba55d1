#include "base/VirtualClock.h"

namespace zvisa {

Clock::TimePoint VirtualClock::Now() {
    return TimePoint(TimePoint::duration(ticks_.load()));
}

void VirtualClock::SleepFor(std::chrono::milliseconds duration) {
    Advance(duration);
}

// A wait for ever has no end to move on to: it waits, for real, for the
// notification, rather than spin through the clock's whole range.
void VirtualClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                             TimePoint until) {
    if (until == TimePoint::max()) {
        changed.wait(lock);
    } else {
        AdvanceTo(until);
    }
}

void VirtualClock::Advance(std::chrono::nanoseconds duration) {
    TimePoint::rep now = ticks_.load();
    while (!ticks_.compare_exchange_weak(
        now, Later(TimePoint(TimePoint::duration(now)), duration).time_since_epoch().count())) {
    }
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
