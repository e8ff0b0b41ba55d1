#pragma once

// A burst samples at 0.001 power-line cycles per reading, so the time
// between readings follows the mains: 20 us at 50 Hz, 16.7 us at 60 Hz.
namespace SampleInterval {

constexpr double kBurstNplc = 0.001;
constexpr int kDefaultLineFrequencyHz = 50;

// True for 50 and 60, the line frequencies there are.
bool IsLineFrequency(int hz);
// Seconds between two readings of a burst at `lineFrequencyHz`.
double Seconds(int lineFrequencyHz);

}  // namespace SampleInterval
