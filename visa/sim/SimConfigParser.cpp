#include "sim/SimConfigParser.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/AsciiText.h"
#include "base/ResourceName.h"

namespace zvisa::sim {

namespace {

constexpr std::array<std::pair<std::string_view, SimProfile>, 4> kProfiles = {{
    {"dcv", SimProfile::kDcVolts},
    {"dci", SimProfile::kDcCurrent},
    {"acv", SimProfile::kAcVolts},
    {"mute", SimProfile::kMute},
}};
// Options that switch something on.
constexpr std::array<std::pair<std::string_view, bool SimMeterConfig::*>, 2> kSwitches = {{
    {"instant", &SimMeterConfig::instant},
    {"virtual-time", &SimMeterConfig::virtualTime},
}};
constexpr std::string_view kTruncate = "truncate=";
constexpr std::string_view kRipple = "ripple=";
constexpr std::string_view kNoise = "noise=";
constexpr std::string_view kStep = "step=";
constexpr std::string_view kSeed = "seed=";
// Device addresses 1 to 127 on one bus.
constexpr std::size_t kMetersPerBoard = 127;
// Readings are floats: amplitudes, noise and frequencies stay far enough
// below what would make a reading or its sine's argument infinite.
constexpr double kMaxAmplitude = 1e30;
constexpr double kMaxFrequencyHz = 1e12;
// What a VI_FIND_BUFLEN buffer holds.
constexpr std::size_t kMaxResourceLength = 255;
// Enough of a quoted part of the text to recognise it.
constexpr std::size_t kQuotedBytes = 40;

std::optional<SimProfile> FindProfile(std::string_view name) {
    for (const auto& [text, profile] : kProfiles) {
        if (EqualsIgnoringCase(name, text)) {
            return profile;
        }
    }
    return std::nullopt;
}

std::string DefaultResource(std::size_t entryNumber) {
    char text[64];
    std::snprintf(text, sizeof text, "USB0::0x7A5E::0x0C46::SIM%04zu::INSTR", entryNumber);
    return text;
}

std::string Quoted(std::string_view text) {
    return "\"" + PrintableText(text, kQuotedBytes) + "\"";
}

// What follows `name` (which ends in '=') when `option` begins with it.
std::optional<std::string_view> ValueOf(std::string_view option, std::string_view name) {
    if (option.size() < name.size() || !EqualsIgnoringCase(option.substr(0, name.size()), name)) {
        return std::nullopt;
    }
    return option.substr(name.size());
}

std::optional<double> FiniteNumber(std::string_view text) {
    const std::optional<double> number = ParseNumber<double>(text);
    return number && std::isfinite(*number) ? number : std::nullopt;
}

// "AMP@WHERE": an amplitude readings can carry and the text after '@'.
std::optional<std::pair<double, std::string_view>> AmplitudeAt(std::string_view text) {
    const std::size_t at = text.find('@');
    const std::optional<double> amplitude = FiniteNumber(text.substr(0, at));
    if (at == std::string_view::npos || !amplitude || std::fabs(*amplitude) > kMaxAmplitude) {
        return std::nullopt;
    }
    return std::make_pair(*amplitude, text.substr(at + 1));
}

}  // namespace

SimConfigParser::Result SimConfigParser::Parse(std::string_view text) {
    return SimConfigParser(text).Run();
}

SimConfigParser::Result SimConfigParser::Run() {
    if (Trim(text_).empty()) {
        return {};
    }
    std::size_t start = 0;
    for (std::size_t number = 1;; ++number) {
        const std::size_t end = text_.find(';', start);
        const std::string_view entry = text_.substr(start, end - start);
        if (!ParseEntry(Trim(entry), number)) {
            result_.meters.clear();
            return std::move(result_);
        }
        if (end == std::string_view::npos) {
            return std::move(result_);
        }
        start = end + 1;
    }
}

bool SimConfigParser::ParseEntry(std::string_view entry, std::size_t number) {
    entry_ = number;
    if (entry.empty()) {
        return Fail("is empty (stray ';'?)");
    }
    SimMeterConfig meter;
    const std::size_t equals = entry.find('=');
    // "truncate=N" holds a '=' too, but only after a ','.
    const bool hasResource = equals != std::string_view::npos && entry.find(',') > equals;
    std::string_view settings = entry;
    if (hasResource) {
        if (!ParseResource(Trim(entry.substr(0, equals)), meter)) {
            return false;
        }
        settings = entry.substr(equals + 1);
    } else {
        meter.resource = DefaultResource(number);
        meter.serial = ResourceName::Parse(meter.resource)->Fields()[2];
    }
    if (!ParseSettings(settings, meter)) {
        return false;
    }
    if (!TakeAddress(meter)) {
        return false;
    }
    result_.meters.push_back(std::move(meter));
    return true;
}

bool SimConfigParser::ParseResource(std::string_view resource, SimMeterConfig& meter) {
    if (resource.empty()) {
        return Fail("has an empty resource before '='");
    }
    if (resource.size() > kMaxResourceLength) {
        return Fail("has a resource of " + std::to_string(resource.size()) +
                    " characters, longer than the 255 a resource name may have");
    }
    const std::optional<ResourceName> name = ResourceName::Parse(resource);
    const bool usbInstrument =
        name && name->IsUsb() && name->HasExplicitClass() && name->ResourceClass() == "INSTR";
    if (!usbInstrument) {
        return Fail("has resource " + Quoted(resource) +
                    ", expected USBn::0xVVVV::0xPPPP::SERIAL::INSTR");
    }
    meter.resource = std::string(resource);
    meter.serial = name->Fields()[2];
    return true;
}

bool SimConfigParser::ParseSettings(std::string_view settings, SimMeterConfig& meter) {
    const std::size_t comma = settings.find(',');
    const std::string_view profileName = Trim(settings.substr(0, comma));
    const std::optional<SimProfile> profile = FindProfile(profileName);
    if (!profile) {
        return Fail("has unknown profile " + Quoted(profileName) +
                    ", expected dcv, dci, acv or mute");
    }
    meter.profile = *profile;
    for (std::size_t start = comma; start != std::string_view::npos;) {
        const std::size_t end = settings.find(',', start + 1);
        if (!ParseOption(Trim(settings.substr(start + 1, end - start - 1)), meter)) {
            return false;
        }
        start = end;
    }
    return true;
}

bool SimConfigParser::ParseOption(std::string_view option, SimMeterConfig& meter) {
    if (option.empty()) {
        return Fail("has an empty option (stray ','?)");
    }
    for (const auto& [name, setting] : kSwitches) {
        if (EqualsIgnoringCase(option, name)) {
            if (meter.*setting) {
                return Fail("repeats option " + Quoted(option));
            }
            meter.*setting = true;
            return true;
        }
    }
    if (option.size() >= kTruncate.size() &&
        EqualsIgnoringCase(option.substr(0, kTruncate.size()), kTruncate)) {
        if (meter.truncateAfter) {
            return Fail("repeats option " + Quoted(option));
        }
        const std::string_view digits = option.substr(kTruncate.size());
        const std::optional<std::size_t> count = ParseNumber<std::size_t>(digits);
        if (!count) {
            return Fail("has truncate=" + Quoted(digits) +
                        ", expected a byte count such as truncate=1000");
        }
        meter.truncateAfter = *count;
        return true;
    }
    if (const std::optional<bool> signal = ParseSignalOption(option, meter.signal)) {
        if (*signal &&
            (meter.profile == SimProfile::kAcVolts || meter.profile == SimProfile::kMute)) {
            return Fail("has option " + Quoted(option) + ", which only dcv and dci take");
        }
        return *signal;
    }
    return Fail("has unknown option " + Quoted(option) +
                ", expected instant, truncate=N, virtual-time, ripple=AMP@HZ, noise=SIGMA, "
                "step=AMP@INDEX or seed=N");
}

// Empty when `option` is none of the signal's; else whether it was read.
std::optional<bool> SimConfigParser::ParseSignalOption(std::string_view option,
                                                       SimSignalConfig& signal) {
    if (const auto value = ValueOf(option, kRipple)) {
        const auto ripple = AmplitudeAt(*value);
        const std::optional<double> hz = ripple ? FiniteNumber(ripple->second) : std::nullopt;
        if (!hz || !(*hz > 0.0) || *hz > kMaxFrequencyHz) {
            return Fail("has ripple=" + Quoted(*value) +
                        ", expected peak amplitude (at most 1e30)@hertz (above 0, at most 1e12) "
                        "such as ripple=0.01@100");
        }
        signal.ripples.push_back({ripple->first, *hz});
        return true;
    }
    if (const auto value = ValueOf(option, kNoise)) {
        const std::optional<double> sigma = FiniteNumber(*value);
        if (signal.noise) {
            return Fail("repeats option " + Quoted(option));
        }
        if (!sigma || *sigma < 0.0 || *sigma > kMaxAmplitude) {
            return Fail("has noise=" + Quoted(*value) +
                        ", expected a standard deviation (at most 1e30) such as noise=0.0005");
        }
        signal.noise = *sigma;
        return true;
    }
    if (const auto value = ValueOf(option, kStep)) {
        const auto step = AmplitudeAt(*value);
        const std::optional<std::size_t> index =
            step ? ParseNumber<std::size_t>(step->second) : std::nullopt;
        if (signal.step) {
            return Fail("repeats option " + Quoted(option));
        }
        if (!index) {
            return Fail("has step=" + Quoted(*value) +
                        ", expected amplitude (at most 1e30)@reading such as step=0.1@25000");
        }
        signal.step = SimSignalConfig::Step{step->first, *index};
        return true;
    }
    if (const auto value = ValueOf(option, kSeed)) {
        const std::optional<std::uint32_t> seed = ParseNumber<std::uint32_t>(*value);
        if (signal.seed) {
            return Fail("repeats option " + Quoted(option));
        }
        if (!seed) {
            return Fail("has seed=" + Quoted(*value) + ", expected a number such as seed=7");
        }
        signal.seed = *seed;
        return true;
    }
    return std::nullopt;
}

bool SimConfigParser::TakeAddress(const SimMeterConfig& meter) {
    const std::optional<ResourceName> name = ResourceName::Parse(meter.resource);
    if (!resourceKeys_.insert(name->Key()).second) {
        return Fail("names " + Quoted(meter.resource) + " a second time");
    }
    std::size_t& onBoard = metersOnBoard_[name->Board()];
    if (++onBoard > kMetersPerBoard) {
        return Fail("puts meter " + std::to_string(onBoard) + " on board USB" +
                    std::to_string(name->Board()) + ", which holds at most " +
                    std::to_string(kMetersPerBoard));
    }
    return true;
}

bool SimConfigParser::Fail(const std::string& reason) {
    result_.error = "entry " + std::to_string(entry_) + " " + reason;
    return false;
}

}  // namespace zvisa::sim
