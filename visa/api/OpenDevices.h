#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "api/SharedDevice.h"
#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa {

// The devices this process has open, by resource: a second session to a
// device shares the first one's handle and claim, since the kernel grants
// an interface's claim to one handle only.
class OpenDevices {
public:
    using Opener = std::function<ViStatus(std::unique_ptr<UsbTransport>&)>;

    static OpenDevices& Global();

    // The open device for `key` (ResourceName::Key), or, when there is none or
    // it was unplugged, the one `open` opens now.
    ViStatus Acquire(const std::string& key, const Opener& open,
                     std::shared_ptr<SharedDevice>& device);

    // Test hook: the open device for `key`, or null.
    std::shared_ptr<SharedDevice> Find(const std::string& key);

private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::weak_ptr<SharedDevice>> devices_;
};

}  // namespace zvisa
