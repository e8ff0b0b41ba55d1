#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "sim/SimMeterConfig.h"

namespace zvisa::sim {

// Reads ZVISA_SIM: entries separated by ';', each `profile[,option...]` or
// `resource=profile[,option...]`. Profiles: dcv, dci, acv, mute. Options:
// instant, truncate=N, virtual-time; for dcv and dci also ripple=AMP@HZ
// (may repeat), noise=SIGMA, step=AMP@INDEX and seed=N. An entry without a resource gets
// USB0::0x7A5E::0x0C46::SIM000n::INSTR, n counting entries from 1. A board
// holds at most 127 meters, as a USB bus does. Reads each entry once, so the
// time grows with the text's length and no more.
class SimConfigParser {
public:
    struct Result {
        std::vector<SimMeterConfig> meters;
        std::string error;  // empty when the text is well-formed; then no meters are offered
    };

    static Result Parse(std::string_view text);

private:
    explicit SimConfigParser(std::string_view text) : text_(text) {}

    Result Run();
    bool ParseEntry(std::string_view entry, std::size_t number);
    bool ParseResource(std::string_view resource, SimMeterConfig& meter);
    bool ParseSettings(std::string_view settings, SimMeterConfig& meter);
    bool ParseOption(std::string_view option, SimMeterConfig& meter);
    std::optional<bool> ParseSignalOption(std::string_view option, SimSignalConfig& signal);
    bool TakeAddress(const SimMeterConfig& meter);
    bool Fail(const std::string& reason);

    std::string_view text_;
    Result result_;
    std::size_t entry_ = 0;                         // 1-based number of the entry being read
    std::unordered_set<std::string> resourceKeys_;  // ResourceName::Key() of each meter so far
    std::map<unsigned, std::size_t> metersOnBoard_;
};

}  // namespace zvisa::sim
