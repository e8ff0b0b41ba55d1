#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvisa::sim {

enum class SimProfile { kDcVolts, kDcCurrent, kAcVolts, kMute };

// What a dcv or dci meter measures besides its level, sample by sample.
struct SimSignalConfig {
    struct Ripple {
        double amplitude = 0.0;  // peak
        double frequencyHz = 0.0;
    };
    struct Step {
        double amplitude = 0.0;
        std::size_t index = 0;  // the first reading of a burst that has it
    };
    std::vector<Ripple> ripples;
    std::optional<double> noise;  // standard deviation; the profile's own when unset
    std::optional<Step> step;
    std::optional<std::uint32_t> seed;  // the resource's own sequence when unset
};

// One simulated meter as ZVISA_SIM describes it.
struct SimMeterConfig {
    std::string resource;  // as written, e.g. "USB0::0x7A5E::0x0C46::SIM0001::INSTR"
    std::string serial;    // the resource's serial number field
    SimProfile profile = SimProfile::kDcVolts;
    bool instant = false;                      // bursts take no acquisition time
    std::optional<std::size_t> truncateAfter;  // the DR? reply ends after this many bytes
    bool virtualTime = false;  // the meter and its sessions wait without real time passing
    SimSignalConfig signal;
};

}  // namespace zvisa::sim
