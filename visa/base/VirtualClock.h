#pragma once

#include <atomic>
#include <chrono>

#include "base/Clock.h"

namespace zvisa {

// Time that passes only when someone waits: a sleep or a wait moves it on
// by its whole length at once, up to TimePoint::max(), where it stays.
// Starts at the clock's epoch. A simulated
// meter runs on one when asked to (ZVISA_SIM option virtual-time), and so
// do the sessions to it; tests drive their scripted devices with one.
class VirtualClock : public Clock {
public:
    TimePoint Now() override;
    void SleepFor(std::chrono::milliseconds duration) override;
    // Moves on to `until` without waiting; the caller checks its condition
    // again, as after any wait.
    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint until) override;

    void Advance(std::chrono::nanoseconds duration);
    // Since the epoch, which is where the clock starts.
    std::chrono::milliseconds Elapsed() const;

private:
    void AdvanceTo(TimePoint until);

    std::atomic<Clock::TimePoint::rep> ticks_{0};  // shared by the sessions to one meter
};

}  // namespace zvisa
