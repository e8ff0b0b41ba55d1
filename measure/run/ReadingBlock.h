#pragma once

#include <cstddef>
#include <vector>

// The readings of one "DR?" reply: '#', a digit d, d length digits giving the
// byte count, then little-endian binary32 readings.
struct ReadingBlock {
    std::size_t announced = 0;  // readings the length digits promise
    std::vector<float> values;  // readings that actually arrived, at most `announced`

    std::size_t Received() const { return values.size(); }
};

// Decodes the first `length` bytes of `data` without reading past them. A
// short or malformed block yields fewer (or no) readings, never an error.
ReadingBlock DecodeReadingBlock(const unsigned char* data, std::size_t length);
