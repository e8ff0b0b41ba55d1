#pragma once

#include <cstddef>
#include <string>

// Texts of one reading row. Both ignore the user's locale so a saved list
// reads the same everywhere.

// "%d" of the index.
std::string IndexText(std::size_t index);

// "%f" of the value widened to double ("1.500000", "-1.500000"); non-finite
// values read "inf", "-inf" and "nan".
std::string ValueText(float value);
