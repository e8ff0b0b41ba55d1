#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zvisa::sim {

enum class SimProfile { kDcVolts, kDcCurrent, kAcVolts, kMute };

// One simulated meter as ZVISA_SIM describes it.
struct SimMeterConfig {
    std::string resource;  // as written, e.g. "USB0::0x7A5E::0x0C46::SIM0001::INSTR"
    std::string serial;    // the resource's serial number field
    SimProfile profile = SimProfile::kDcVolts;
    bool instant = false;                      // bursts take no acquisition time
    std::optional<std::size_t> truncateAfter;  // the DR? reply ends after this many bytes
    bool virtualTime = false;  // the meter and its sessions wait without real time passing
};

}  // namespace zvisa::sim
