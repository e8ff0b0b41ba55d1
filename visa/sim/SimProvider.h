#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/ResourceProvider.h"
#include "sim/SimMeter.h"

namespace zvisa::sim {

// The simulated meters one resource manager saw when it opened; unplugged
// ones are neither listed nor opened.
class SimProvider : public ResourceProvider {
public:
    explicit SimProvider(std::vector<std::shared_ptr<SimMeter>> meters);

    std::vector<std::string> ListResources() override;
    ViStatus Open(const std::string& resource, std::unique_ptr<UsbTransport>& transport) override;

private:
    std::vector<std::shared_ptr<SimMeter>> meters_;
};

}  // namespace zvisa::sim
