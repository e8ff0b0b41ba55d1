#include "usbtmc/Deadline.h"

#include <algorithm>

namespace zvisa::usbtmc {

Deadline::Deadline(Clock& clock, ViUInt32 timeoutMs)
    : clock_(clock),
      infinite_(timeoutMs == VI_TMO_INFINITE),
      end_(Later(clock.Now(), std::chrono::milliseconds(infinite_ ? 0 : timeoutMs))) {}

Deadline::Deadline(Clock& clock, std::chrono::milliseconds budget)
    : clock_(clock), end_(Later(clock.Now(), budget)) {}

bool Deadline::Expired() const {
    return !infinite_ && clock_.Now() >= end_;
}

std::chrono::milliseconds Deadline::Remaining(std::chrono::milliseconds cap) const {
    constexpr std::chrono::milliseconds kShortest{1};
    if (infinite_) {
        return std::max(cap, kShortest);
    }
    const Clock::TimePoint now = clock_.Now();
    if (now >= end_) {
        return kShortest;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - now);
    return std::clamp(left, kShortest, std::max(cap, kShortest));
}

}  // namespace zvisa::usbtmc
