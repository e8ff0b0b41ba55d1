#pragma once

#include <chrono>

#include "base/Clock.h"
#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa::usbtmc {

// One point in time by which a whole VISA call must finish, however many
// transport calls it takes.
class Deadline {
public:
    // VI_TMO_INFINITE never expires.
    Deadline(Clock& clock, ViUInt32 timeoutMs);
    Deadline(Clock& clock, std::chrono::milliseconds budget);

    bool Expired() const;

    // The timeout for the next transport call: what is left, but at least
    // 1 ms (transports take no zero timeout) and at most `cap`; an infinite
    // deadline gives `cap`, by default kWaitForever.
    std::chrono::milliseconds Remaining(std::chrono::milliseconds cap = kWaitForever) const;

private:
    Clock& clock_;
    bool infinite_ = false;
    Clock::TimePoint end_;
};

}  // namespace zvisa::usbtmc
