#include "share/MeterRegistry.h"

#include <strings.h>

#include <algorithm>

#include "share/GatewayName.h"

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool IsUsbInstr(const std::string& resource) {
    return UsbGatewayName(resource).has_value();
}

// N of "instN", or none.
std::optional<std::size_t> InstNumber(const std::string& device) {
    constexpr std::size_t kPrefix = 4;
    constexpr std::size_t kMaxDigits = 6;
    if (device.size() <= kPrefix || device.size() > kPrefix + kMaxDigits ||
        strncasecmp(device.c_str(), "inst", kPrefix) != 0 ||
        device.find_first_not_of("0123456789", kPrefix) != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(std::stoul(device.substr(kPrefix)));
}

}  // namespace

std::optional<std::string> MeterRegistry::Lookup(const std::string& device) const {
    if (std::optional<std::size_t> n = InstNumber(device)) {
        if (*n < resources_.size()) {
            return resources_[*n];
        }
        return std::nullopt;
    }
    for (const std::string& resource : resources_) {
        if (SameText(UsbGatewayName(resource).value_or(""), device)) {
            return resource;
        }
    }
    return std::nullopt;
}

std::optional<std::string> MeterRegistry::Resolve(const std::string& device) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::optional<std::string> resource = Lookup(device)) {
        return resource;
    }
    RescanLocked();
    return Lookup(device);
}

std::vector<std::string> MeterRegistry::Rescan() {
    std::lock_guard<std::mutex> lock(mutex_);
    RescanLocked();
    return resources_;
}

void MeterRegistry::RescanLocked() {
    std::vector<std::string> found;
    if (visa_.FindAll(resourceManager_, expression_.c_str(), found) < VI_SUCCESS) {
        return;
    }
    for (const std::string& resource : found) {
        bool known = std::any_of(resources_.begin(), resources_.end(),
                                 [&](const std::string& r) { return SameText(r, resource); });
        if (!known && IsUsbInstr(resource)) {
            resources_.push_back(resource);
        }
    }
}
