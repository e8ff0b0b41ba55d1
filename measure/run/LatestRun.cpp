#include "run/LatestRun.h"

std::shared_ptr<RunRecord> LatestRun::Begin(std::time_t startedAt) {
    overlapped_ = depth_ > 0;
    ++depth_;
    ++runs_;
    record_ = std::make_shared<RunRecord>(startedAt);
    return record_;
}

void LatestRun::End() {
    if (depth_ > 0) {
        --depth_;
    }
}
