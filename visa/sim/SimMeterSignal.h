#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "sim/SimMeterConfig.h"

namespace zvisa::sim {

// The readings a simulated meter takes in a burst: the profile's level with
// Gaussian noise, plus the ripples and step ZVISA_SIM asks for. Readings are
// 20 us apart, as a burst at 0.001 NPLC on 50 Hz mains takes them. The noise
// sequence goes on from burst to burst until Restart().
class SimMeterSignal {
public:
    static constexpr double kSampleIntervalSeconds = 0.001 / 50.0;

    explicit SimMeterSignal(const SimMeterConfig& config);

    // The sequence from its seed again, as after power-on.
    void Restart();
    // The next burst of `count` readings, reading 0 at time 0.
    std::vector<float> Burst(std::size_t count);

private:
    double Deterministic(std::size_t index) const;

    float level_;
    float noise_;  // standard deviation; 0 for none
    SimSignalConfig signal_;
    std::uint32_t seed_;
    std::mt19937 random_;
};

}  // namespace zvisa::sim
