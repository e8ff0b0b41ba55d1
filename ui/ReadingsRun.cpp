#include "ReadingsRun.h"

void ReadingsRun::Begin(std::time_t startedAt) {
    // Only a run that starts on an idle grid clears the mark: the outer run of
    // a nested pair goes on writing rows after the inner one is done.
    overlapped_ = depth_ > 0;
    ++depth_;
    ++runs_;
    rows_ = 0;
    startedAt_ = startedAt;
    messages_.clear();
}

void ReadingsRun::End() {
    if (depth_ > 0) {
        --depth_;
    }
}
