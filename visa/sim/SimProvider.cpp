#include "sim/SimProvider.h"

#include "base/AsciiText.h"

namespace zvisa::sim {

SimProvider::SimProvider(std::vector<std::shared_ptr<SimMeter>> meters)
    : meters_(std::move(meters)) {}

std::vector<std::string> SimProvider::ListResources() {
    std::vector<std::string> resources;
    for (const auto& meter : meters_) {
        if (meter->IsPlugged()) {
            resources.push_back(meter->Resource());
        }
    }
    return resources;
}

ViStatus SimProvider::Open(const std::string& resource, std::unique_ptr<UsbTransport>& transport) {
    for (const auto& meter : meters_) {
        if (EqualsIgnoringCase(meter->Resource(), resource)) {
            return meter->Connect(transport);
        }
    }
    return VI_ERROR_RSRC_NFOUND;
}

}  // namespace zvisa::sim
