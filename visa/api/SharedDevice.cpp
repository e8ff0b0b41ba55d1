#include "api/SharedDevice.h"

namespace zvisa {

SharedDevice::SharedDevice(std::unique_ptr<UsbTransport> transport)
    : transport_(std::move(transport)), identity_(transport_->Identity()), exchange_(*transport_) {
    exchange_.LoadCapabilities();
}

}  // namespace zvisa
