#include "api/InstrumentSession.h"

namespace zvisa {

InstrumentSession::InstrumentSession(std::unique_ptr<UsbTransport> transport)
    : layer_(std::move(transport)) {}

usbtmc::IoResult InstrumentSession::Write(const ViByte* data, ViUInt32 count) {
    const std::lock_guard<std::mutex> lock(ioMutex_);
    return layer_.Write(data, count, timeoutMs_);
}

usbtmc::IoResult InstrumentSession::Read(ViByte* buffer, ViUInt32 count) {
    const std::lock_guard<std::mutex> lock(ioMutex_);
    return layer_.Read(buffer, count, timeoutMs_);
}

}  // namespace zvisa
