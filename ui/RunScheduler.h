#pragma once

#include <functional>

// When a press of Measurement runs. With no run going, at once. During a
// run's drain of the window's queue, the press waits until that drain has
// handled the rest of the queue and then runs nested in it, so an Exit
// queued behind the press ends the window first and the press runs nothing.
class RunScheduler {
public:
    // `run` does one whole run; `drainQueue` handles what the window's queue
    // holds now and never waits for more; `ended` tells whether the window
    // has ended, after which no press runs.
    RunScheduler(std::function<void()> run, std::function<void()> drainQueue,
                 std::function<bool()> ended);

    // A press of Measurement.
    void Press();
    // A run's drain: the queue, then the presses it held.
    void Drain();

    // Runs going now, the outer one and those nested in its drains.
    int Depth() const { return depth_; }

private:
    void RunNow();

    std::function<void()> run_;
    std::function<void()> drainQueue_;
    std::function<bool()> ended_;
    int depth_ = 0;
    int queuedPresses_ = 0;
};
