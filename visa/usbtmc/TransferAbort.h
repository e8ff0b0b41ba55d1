#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "base/Clock.h"
#include "base/UsbTransport.h"
#include "usbtmc/Deadline.h"

namespace zvisa::usbtmc {

// The USBTMC split transactions that end a bulk transfer the host gave up
// on, or clear the whole interface, so that the next command starts clean. Each abort has its own
// bounded time budget: it runs after the caller's deadline has usually passed.
class TransferAbort {
public:
    explicit TransferAbort(UsbTransport& transport);

    // `tag` is the bTag of the REQUEST whose reply is cut off. Returns Ok when
    // the device confirmed the abort, NoDevice when it vanished, otherwise
    // the reason it stopped (Error: the device refused, Timeout: out of time).
    UsbResult AbortBulkIn(std::uint8_t tag);
    UsbResult AbortBulkOut(std::uint8_t tag);
    // INITIATE_CLEAR, CHECK_CLEAR_STATUS until done (draining Bulk-IN while
    // the device says it holds bytes), then the Bulk-OUT halt cleared.
    UsbResult Clear(std::uint8_t interfaceNumber);

private:
    struct Reply {
        UsbResult result = UsbResult::Ok;
        std::uint8_t status = 0;
        std::uint8_t flags = 0;  // bmAbortBulkIn of CHECK_ABORT_BULK_IN_STATUS
    };

    UsbResult Initiate(std::uint8_t request, std::uint8_t tag, std::uint8_t endpoint,
                       const Deadline& deadline);
    Reply ClassRequest(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                       std::uint16_t index, std::uint16_t length, const Deadline& deadline);
    UsbResult DrainBulkIn(const Deadline& deadline);
    UsbResult PollCheck(std::uint8_t requestType, std::uint8_t request, std::uint16_t index,
                        const Deadline& deadline);

    UsbTransport& transport_;
    Clock& clock_;
    std::vector<std::uint8_t> drainBuffer_;
};

}  // namespace zvisa::usbtmc
