#include "base/Clock.h"

#include <thread>

namespace zvisa {

namespace {

class SteadyClock : public Clock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }

    void SleepFor(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration);
    }

    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint until) override {
        if (until == TimePoint::max()) {
            changed.wait(lock);
        } else {
            changed.wait_until(lock, until);
        }
    }
};

}  // namespace

// Never destroyed, so a wait still running at exit keeps its clock.
Clock& Clock::Steady() {
    static auto* const steady = new SteadyClock;
    return *steady;
}

}  // namespace zvisa
