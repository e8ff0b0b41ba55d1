#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimMeter.h"

namespace zvisa::sim {

// The simulated meters ZVISA_SIM asks for. The same text gives the same
// meters, so a meter's settings last from one resource manager to the next;
// a new text gives new meters. A malformed text is reported on stderr once
// and offers none.
class SimRegistry {
public:
    static SimRegistry& Global();

    // Reads ZVISA_SIM now.
    std::vector<std::shared_ptr<SimMeter>> MetersFromEnvironment();
    // `text` null means the variable is unset.
    std::vector<std::shared_ptr<SimMeter>> MetersFor(const char* text);

    // Test hook: the meter of the last text read at `resource`, or null.
    std::shared_ptr<SimMeter> FindMeter(std::string_view resource);

private:
    std::mutex mutex_;
    std::optional<std::string> text_;
    std::vector<std::shared_ptr<SimMeter>> meters_;
};

}  // namespace zvisa::sim
