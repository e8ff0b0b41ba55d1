#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zvisa {

// What one viFindRsrc matched, kept for the find list handle it returns.
class FindList {
public:
    explicit FindList(std::vector<std::string> matches) : matches_(std::move(matches)) {}

    const std::vector<std::string>& Matches() const { return matches_; }

private:
    std::vector<std::string> matches_;
};

}  // namespace zvisa
