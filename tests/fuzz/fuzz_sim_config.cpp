// The ZVISA_SIM parser on arbitrary text. A malformed text offers no meter
// and says why; a well-formed one offers meters with distinct, named
// resources, and writing them back out in the long form parses to the same
// meters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/AsciiText.h"
#include "sim/SimConfigParser.h"

namespace {

using zvisa::sim::SimConfigParser;
using zvisa::sim::SimMeterConfig;
using zvisa::sim::SimProfile;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const char* ProfileName(SimProfile profile) {
    switch (profile) {
        case SimProfile::kDcVolts:
            return "dcv";
        case SimProfile::kDcCurrent:
            return "dci";
        case SimProfile::kAcVolts:
            return "acv";
        case SimProfile::kMute:
            return "mute";
    }
    std::abort();
}

// `resource=profile[,instant][,truncate=N][,virtual-time]` per meter, joined by ';'.
std::string LongForm(const std::vector<SimMeterConfig>& meters) {
    std::string text;
    for (const SimMeterConfig& meter : meters) {
        text += text.empty() ? "" : ";";
        text += meter.resource + "=" + ProfileName(meter.profile);
        if (meter.instant) {
            text += ",instant";
        }
        if (meter.truncateAfter) {
            text += ",truncate=" + std::to_string(*meter.truncateAfter);
        }
        if (meter.virtualTime) {
            text += ",virtual-time";
        }
    }
    return text;
}

bool SameMeter(const SimMeterConfig& a, const SimMeterConfig& b) {
    return a.resource == b.resource && a.serial == b.serial && a.profile == b.profile &&
           a.instant == b.instant && a.truncateAfter == b.truncateAfter &&
           a.virtualTime == b.virtualTime;
}

void CheckMeters(const std::vector<SimMeterConfig>& meters) {
    for (std::size_t i = 0; i < meters.size(); ++i) {
        Require(!meters[i].serial.empty());
        Require(meters[i].resource.find(meters[i].serial) != std::string::npos);
        for (std::size_t j = 0; j < i; ++j) {
            Require(!zvisa::EqualsIgnoringCase(meters[i].resource, meters[j].resource));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SimConfigParser::Result result = SimConfigParser::Parse(text);
    if (!result.error.empty()) {
        Require(result.meters.empty());
        return 0;
    }
    CheckMeters(result.meters);

    const SimConfigParser::Result again = SimConfigParser::Parse(LongForm(result.meters));
    Require(again.error.empty());
    Require(again.meters.size() == result.meters.size());
    for (std::size_t i = 0; i < result.meters.size(); ++i) {
        Require(SameMeter(again.meters[i], result.meters[i]));
    }
    return 0;
}
