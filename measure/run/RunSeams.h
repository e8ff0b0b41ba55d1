#pragma once

#include <cstddef>
#include <functional>
#include <string>

// What a measurement run takes from its surroundings besides the window and
// the link: memory for its two buffers and its two clocks. Tests replace them
// to fail an allocation or to fix the time.
struct RunSeams {
    // Returns nullptr when the memory is not available.
    std::function<unsigned char*(std::size_t size)> allocate;
    std::function<void(unsigned char* buffer)> release;
    // Milliseconds on a clock that never goes back; only differences matter.
    std::function<long long()> elapsedMs;
    // Local time of day as "%H:%M:%S".
    std::function<std::string()> timeOfDay;
};

// Heap memory, the steady clock and the local wall clock.
RunSeams RealRunSeams();
