#pragma once

#include <ctime>
#include <string>

// `when` in local time, formatted by strftime's `format`; `unknown` when the
// time cannot be converted.
std::string LocalTimeText(std::time_t when, const char* format, const char* unknown);
