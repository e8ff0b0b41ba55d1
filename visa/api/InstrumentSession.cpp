#include "api/InstrumentSession.h"

namespace zvisa {

InstrumentSession::InstrumentSession(std::unique_ptr<UsbTransport> transport)
    : transport_(std::move(transport)), exchange_(*transport_) {}

usbtmc::IoResult InstrumentSession::Write(const ViByte* data, ViUInt32 count) {
    const std::lock_guard<std::mutex> lock(ioMutex_);
    return exchange_.Write(data, count, timeoutMs_);
}

usbtmc::IoResult InstrumentSession::Read(ViByte* buffer, ViUInt32 count) {
    const std::lock_guard<std::mutex> lock(ioMutex_);
    return exchange_.Read(buffer, count, timeoutMs_);
}

}  // namespace zvisa
