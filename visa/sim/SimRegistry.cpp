#include "sim/SimRegistry.h"

#include <cstdio>
#include <cstdlib>

#include "base/AsciiText.h"
#include "base/ResourceName.h"
#include "sim/SimConfigParser.h"

namespace zvisa::sim {

namespace {

// A message line, not a dump of the whole environment value.
constexpr std::size_t kShownValueBytes = 200;

}  // namespace

// Never destroyed: a session's call may still use a meter while the
// process exits.
SimRegistry& SimRegistry::Global() {
    static auto* const registry = new SimRegistry;
    return *registry;
}

std::vector<std::shared_ptr<SimMeter>> SimRegistry::MetersFromEnvironment() {
    return MetersFor(std::getenv("ZVISA_SIM"));
}

std::vector<std::shared_ptr<SimMeter>> SimRegistry::MetersFor(const char* text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (text == nullptr) {
        text_.reset();
        meters_.clear();
        return {};
    }
    if (text_ == text) {
        return meters_;
    }
    text_ = text;
    meters_.clear();
    SimConfigParser::Result parsed = SimConfigParser::Parse(*text_);
    if (!parsed.error.empty()) {
        std::fprintf(stderr,
                     "zvisa: ZVISA_SIM=\"%s\" is not valid: %s. No simulated meter is offered.\n",
                     PrintableText(*text_, kShownValueBytes).c_str(), parsed.error.c_str());
    }
    for (SimMeterConfig& config : parsed.meters) {
        meters_.push_back(std::make_shared<SimMeter>(std::move(config)));
    }
    return meters_;
}

std::shared_ptr<SimMeter> SimRegistry::FindMeter(std::string_view resource) {
    const std::optional<ResourceName> wanted = ResourceName::Parse(resource);
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& meter : meters_) {
        if (wanted && ResourceName::Parse(meter->Resource())->SameResource(*wanted)) {
            return meter;
        }
    }
    return nullptr;
}

}  // namespace zvisa::sim
