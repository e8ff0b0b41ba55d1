#pragma once

#include <optional>
#include <string>
#include <vector>

#include "share/ShareServer.h"

// The command line of zorvane-share.
struct ShareOptions {
    enum class Action { kServe, kHelp, kVersion };
    Action action = Action::kServe;
    ShareConfig config;
};

struct ParsedShareOptions {
    std::optional<ShareOptions> options;
    std::string error;  // one line, when options is empty
};

ParsedShareOptions ParseShareOptions(const std::vector<std::string>& args);

extern const char* const kShareUsage;
