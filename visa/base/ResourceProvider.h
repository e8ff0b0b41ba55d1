#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa {

// A source of instruments: the simulated meters or the USB bus.
class ResourceProvider {
public:
    virtual ~ResourceProvider() = default;

    // Resource strings of the instruments present now, in discovery order.
    virtual std::vector<std::string> ListResources() = 0;

    // Opens one listed resource (compared without regard to case). Returns
    // VI_SUCCESS and sets `transport`, or a VISA error and leaves it empty.
    virtual ViStatus Open(const std::string& resource,
                          std::unique_ptr<UsbTransport>& transport) = 0;
};

}  // namespace zvisa
