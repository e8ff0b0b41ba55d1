#include "api/OpenDevices.h"

namespace zvisa {

// Never destroyed, as the handle table: calls may outlive exit's destructors.
OpenDevices& OpenDevices::Global() {
    static auto* const devices = new OpenDevices;
    return *devices;
}

ViStatus OpenDevices::Acquire(const std::string& key, const Opener& open,
                              std::shared_ptr<SharedDevice>& device) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (auto existing = devices_[key].lock(); existing && !existing->IsLost()) {
        device = std::move(existing);
        return VI_SUCCESS;
    }
    std::unique_ptr<UsbTransport> transport;
    const ViStatus opened = open(transport);
    if (opened < VI_SUCCESS) {
        return opened;
    }
    if (!transport) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    device = std::make_shared<SharedDevice>(std::move(transport));
    devices_[key] = device;
    return VI_SUCCESS;
}

}  // namespace zvisa
