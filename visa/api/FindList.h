#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zvisa {

// What a viFindRsrc with a find list hands back a handle to: the matches
// after the first, which the call itself returned, for viFindNext.
class FindList {
public:
    explicit FindList(std::vector<std::string> matches) : matches_(std::move(matches)) {}

    // The next match; false once all have been handed out.
    bool Next(std::string& resource) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (next_ >= matches_.size()) {
            return false;
        }
        resource = matches_[next_++];
        return true;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> matches_;
    std::size_t next_ = 1;  // the first went out with viFindRsrc
};

}  // namespace zvisa
