#include "ui/RunScheduler.h"

RunScheduler::RunScheduler(std::function<void()> run, std::function<void()> drainQueue,
                           std::function<bool()> ended)
    : run_(std::move(run)), drainQueue_(std::move(drainQueue)), ended_(std::move(ended)) {}

void RunScheduler::Press() {
    if (ended_()) {
        return;  // a press after Exit starts no run
    }
    if (depth_ > 0) {
        ++queuedPresses_;
        return;
    }
    RunNow();
}

void RunScheduler::Drain() {
    drainQueue_();
    while (queuedPresses_ > 0) {
        --queuedPresses_;
        if (!ended_()) {
            RunNow();  // nested in the run that drains
        }
    }
}

void RunScheduler::RunNow() {
    ++depth_;
    run_();
    --depth_;
}
