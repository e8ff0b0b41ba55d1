#pragma once

#include <string>
#include <vector>

// The four little-endian bytes of a binary32 value.
std::string FloatBytes(float value);

// `header` followed by the bytes of `values`.
std::string BlockWithHeader(const std::string& header, const std::vector<float>& values);

// A well-formed "DR?" block: '#', digit count, byte count, readings.
std::string ReadingBlockBytes(const std::vector<float>& values);

// `count` distinct, exactly representable readings: k * 0.5 - 100.
std::vector<float> RampReadings(std::size_t count);
