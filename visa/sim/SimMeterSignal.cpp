#include "sim/SimMeterSignal.h"

#include <cmath>
#include <string>

namespace zvisa::sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Level {
    float level;
    float noise;  // standard deviation
};

Level LevelOf(SimProfile profile) {
    switch (profile) {
        case SimProfile::kDcCurrent:
            return {0.01f, 2e-6f};
        case SimProfile::kAcVolts:
            return {0.707f, 5e-4f};
        default:
            return {1.5f, 5e-4f};
    }
}

// Each meter gets its own, repeatable noise.
std::uint32_t SeedFrom(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

}  // namespace

SimMeterSignal::SimMeterSignal(const SimMeterConfig& config)
    : level_(LevelOf(config.profile).level),
      noise_(config.signal.noise ? static_cast<float>(*config.signal.noise)
                                 : LevelOf(config.profile).noise),
      signal_(config.signal),
      seed_(config.signal.seed.value_or(SeedFrom(config.resource))) {
    Restart();
}

void SimMeterSignal::Restart() {
    random_.seed(seed_);
}

double SimMeterSignal::Deterministic(std::size_t index) const {
    const double time = static_cast<double>(index) * kSampleIntervalSeconds;
    double value = 0.0;
    for (const SimSignalConfig::Ripple& ripple : signal_.ripples) {
        value += ripple.amplitude * std::sin(kTwoPi * ripple.frequencyHz * time);
    }
    if (signal_.step && index >= signal_.step->index) {
        value += signal_.step->amplitude;
    }
    return value;
}

std::vector<float> SimMeterSignal::Burst(std::size_t count) {
    std::vector<float> readings(count, level_);
    if (noise_ > 0.0f) {
        // One distribution a burst, as the readings have always been drawn.
        std::normal_distribution<float> reading(level_, noise_);
        for (float& value : readings) {
            value = reading(random_);
        }
    }
    if (!signal_.ripples.empty() || signal_.step) {
        for (std::size_t i = 0; i < count; ++i) {
            readings[i] = static_cast<float>(readings[i] + Deterministic(i));
        }
    }
    return readings;
}

}  // namespace zvisa::sim
