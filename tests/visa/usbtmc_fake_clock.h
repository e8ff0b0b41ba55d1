#pragma once

#include "base/Clock.h"

namespace zvisa::usbtmc::testing {

// Time that moves only when the scripted device waits or the layer sleeps.
class FakeClock : public Clock {
public:
    TimePoint Now() override { return now_; }
    void SleepFor(std::chrono::milliseconds duration) override { now_ += duration; }
    void Advance(std::chrono::milliseconds duration) { now_ += duration; }
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - TimePoint{});
    }

private:
    TimePoint now_{};
};

}  // namespace zvisa::usbtmc::testing
