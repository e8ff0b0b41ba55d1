#include "sim/SimInstrument.h"
#include "base/AsciiText.h"

#include <cstring>
#include <string>

namespace zvisa::sim {

namespace {

// Power-on settings of a bench meter: 10 power-line cycles, one sample.
constexpr double kDefaultNplc = 10.0;
constexpr std::size_t kDefaultSampleCount = 1;
constexpr double kMaxNplc = 100.0;
constexpr std::size_t kMaxSampleCount = 1000000;  // the reading memory
constexpr double kLineFrequencyHz = 50.0;

const char* FunctionReply(SimProfile profile) {
    switch (profile) {
        case SimProfile::kDcCurrent:
            return "\"CURR\"\n";
        case SimProfile::kAcVolts:
            return "\"VOLT:AC\"\n";
        default:
            return "\"VOLT\"\n";
    }
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void AppendLittleEndian(float value, std::vector<std::uint8_t>& out) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

}  // namespace

SimInstrument::SimInstrument(const SimMeterConfig& config) : config_(config), signal_(config) {
    Reset();
}

void SimInstrument::Reset() {
    voltNplc_ = kDefaultNplc;
    currNplc_ = kDefaultNplc;
    sampleCount_ = kDefaultSampleCount;
    signal_.Restart();
}

std::optional<SimInstrument::Reply> SimInstrument::Execute(std::string_view command) {
    const std::size_t space = command.find_first_of(" \t");
    const std::string header = AsciiUpper(command.substr(0, space));
    const std::string_view argument =
        space == std::string_view::npos ? std::string_view{} : Trim(command.substr(space));
    if (!header.empty() && header.back() == '?') {
        std::optional<Reply> reply = Query(header);
        // A mute meter takes every command but its answers never leave it.
        return config_.profile == SimProfile::kMute ? std::nullopt : std::move(reply);
    }
    Configure(header, argument);
    return std::nullopt;
}

std::optional<SimInstrument::Reply> SimInstrument::Query(const std::string& header) {
    if (header == "*IDN?") {
        return Reply{Bytes("ZORVANE SIM,DMM-SIM," + config_.serial + ",1.0\n")};
    }
    if (header == "FUNC?") {
        return Reply{Bytes(FunctionReply(config_.profile))};
    }
    if (header == "DR?") {
        return Acquire();
    }
    return std::nullopt;
}

// Out-of-range values are ignored, as a meter ignores what it cannot set.
// Range and trigger delay do not change the simulated readings.
void SimInstrument::Configure(const std::string& header, std::string_view argument) {
    if (header == "VOLT:NPLC" || header == "CURR:NPLC") {
        const std::optional<double> nplc = ParseNumber<double>(argument);
        if (nplc && *nplc > 0 && *nplc <= kMaxNplc) {
            (header == "VOLT:NPLC" ? voltNplc_ : currNplc_) = *nplc;
        }
    } else if (header == "SAMPLE:COUNT") {
        const std::optional<std::size_t> count = ParseNumber<std::size_t>(argument);
        if (count && *count >= 1 && *count <= kMaxSampleCount) {
            sampleCount_ = *count;
        }
    }
}

SimInstrument::Reply SimInstrument::Acquire() {
    Reply reply{ReadingBlock(), AcquisitionTime()};
    if (config_.truncateAfter && *config_.truncateAfter < reply.bytes.size()) {
        reply.bytes.resize(*config_.truncateAfter);
    }
    return reply;
}

// IEEE 488.2 definite-length block: "#", the digit count, the byte count,
// then little-endian binary32 readings and a closing LF.
std::vector<std::uint8_t> SimInstrument::ReadingBlock() {
    const std::string length = std::to_string(sampleCount_ * sizeof(float));
    std::vector<std::uint8_t> block = Bytes("#" + std::to_string(length.size()) + length);
    block.reserve(block.size() + sampleCount_ * sizeof(float) + 1);
    for (const float reading : signal_.Burst(sampleCount_)) {
        AppendLittleEndian(reading, block);
    }
    block.push_back('\n');
    return block;
}

std::chrono::nanoseconds SimInstrument::AcquisitionTime() const {
    if (config_.instant) {
        return std::chrono::nanoseconds{0};
    }
    const double nplc = config_.profile == SimProfile::kDcCurrent ? currNplc_ : voltNplc_;
    const std::chrono::duration<double> seconds{nplc * double(sampleCount_) / kLineFrequencyHz};
    return std::chrono::duration_cast<std::chrono::nanoseconds>(seconds);
}

}  // namespace zvisa::sim
