#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The texts a run logs and shows, word for word, pinned once for every
// suite that checks them.
namespace RunTexts {

inline const std::string kFunctionMessage =
    "Please set the function(DCV or DCI).\n And click the \" Measurement\" button ";
inline const std::string kNoMeterMessage = "Find resource manager failed.";

// The command log of a run on a DC volts meter: four settings, then the block query.
inline const std::vector<std::string> kVoltsCommands = {"VOLT:NPLC 0.001\n", "VOLT:RANGE:AUTO 0\n",
                                                        "TRIGGER:DELAY 0\n", "SAMPLE:COUNT 50000\n",
                                                        "DR?\n"};

// A block that brought `arrived` of the burst's 50000 readings.
inline std::string ShortBlockMessage(std::size_t arrived) {
    return "Only " + std::to_string(arrived) + " of 50000 readings were received.";
}

}  // namespace RunTexts
