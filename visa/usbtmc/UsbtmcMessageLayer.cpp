#include "usbtmc/UsbtmcMessageLayer.h"

#include "base/Clock.h"
#include "usbtmc/UsbtmcExchange.h"

namespace zvisa::usbtmc {

UsbtmcMessageLayer::UsbtmcMessageLayer(std::unique_ptr<UsbTransport> transport)
    : transport_(std::move(transport)),
      exchange_(transport_ ? std::make_unique<UsbtmcExchange>(*transport_, Clock::Steady())
                           : nullptr) {}

UsbtmcMessageLayer::~UsbtmcMessageLayer() = default;

IoResult UsbtmcMessageLayer::Write(const std::uint8_t* data, std::size_t length,
                                   ViUInt32 timeoutMs) {
    return exchange_ ? exchange_->Write(data, length, timeoutMs) : IoResult{VI_ERROR_INV_OBJECT, 0};
}

IoResult UsbtmcMessageLayer::Read(std::uint8_t* buffer, std::size_t count, ViUInt32 timeoutMs) {
    return exchange_ ? exchange_->Read(buffer, count, timeoutMs) : IoResult{VI_ERROR_INV_OBJECT, 0};
}

}  // namespace zvisa::usbtmc
