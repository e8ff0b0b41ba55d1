#pragma once

#include <atomic>

namespace zvisa {

// What ends a session's calls in progress: viTerminate ends the calls that
// began before it, viClose every call for good. A call takes a Ticket when it
// begins and asks it at each wait whether it has been stopped.
class CallStop {
public:
    class Ticket {
    public:
        explicit Ticket(const CallStop& stop)
            : stop_(&stop), terminations_(stop.terminations_.load()) {}
        bool Stopped() const {
            return stop_->closed_.load() || stop_->terminations_.load() != terminations_;
        }

    private:
        const CallStop* stop_;
        unsigned terminations_;
    };

    Ticket Begin() const { return Ticket(*this); }
    void Terminate() { ++terminations_; }
    void Close() { closed_ = true; }

private:
    std::atomic<unsigned> terminations_{0};
    std::atomic<bool> closed_{false};
};

}  // namespace zvisa
