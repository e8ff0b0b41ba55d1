#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Clock.h"
#include "base/UsbTransport.h"
#include "usbtmc/Deadline.h"
#include "usbtmc/TransferAbort.h"
#include "usbtmc/UsbtmcProtocol.h"
#include "visa.h"

namespace zvisa::usbtmc {

struct IoResult {
    ViStatus status = VI_SUCCESS;
    std::size_t count = 0;  // bytes written or stored, also on failure
};

// USBTMC device-dependent messages over one transport: DEV_DEP_MSG_OUT for
// writes, REQUEST_DEV_DEP_MSG_IN and DEV_DEP_MSG_IN for reads. One per VISA
// session, as it keeps the session's bTag sequence. Deadlines run on the
// transport's clock, so a simulated or scripted device can run timeouts on
// virtual time. Borrows the transport; never throws.
class UsbtmcExchange {
public:
    explicit UsbtmcExchange(UsbTransport& transport);

    // timeoutMs is the session's VI_ATTR_TMO_VALUE: one deadline for the
    // whole call, VI_TMO_INFINITE for none.
    IoResult Write(const std::uint8_t* data, std::size_t length, ViUInt32 timeoutMs);

    // VI_SUCCESS at the end of a message, VI_SUCCESS_MAX_CNT when `count`
    // bytes arrived first (the rest stays readable), VI_ERROR_TMO with the
    // bytes that did arrive. Never stores more than `count` bytes.
    IoResult Read(std::uint8_t* buffer, std::size_t count, ViUInt32 timeoutMs);

private:
    // What arrived on Bulk-IN for one REQUEST.
    struct Arrival {
        UsbResult result = UsbResult::Ok;
        std::size_t received = 0;  // header, data and alignment bytes
        bool ended = false;        // a short packet closed the transfer
    };
    // The part of one DEV_DEP_MSG_IN transfer that goes to the caller.
    struct InTransfer {
        ViStatus status = VI_SUCCESS;
        std::size_t dataLength = 0;  // starts at kBulkHeaderSize in inBuffer_
        bool endOfMessage = false;
    };
    struct Sent {
        ViStatus status = VI_SUCCESS;
        std::size_t bytes = 0;  // including the header
    };

    ViStatus Refusal(const void* buffer, std::size_t length) const;
    std::uint8_t NextTag();
    bool ReserveInBuffer(std::uint32_t requested);
    InTransfer Request(std::uint32_t requested, const Deadline& deadline);
    Sent SendBulkOut(const std::uint8_t* frame, std::size_t length, std::uint8_t tag,
                     const Deadline& deadline);
    ViStatus BulkOutFailure(UsbResult result, std::uint8_t tag);
    InTransfer ReceiveTransfer(std::uint8_t tag, std::uint32_t requested, const Deadline& deadline);
    Arrival ReceivePackets(const Deadline& deadline);
    ViStatus ArrivalStatus(const Arrival& arrival);
    InTransfer CheckTransfer(const Arrival& arrival, std::uint8_t tag,
                             std::uint32_t requested) const;
    std::size_t PacketSize() const;
    ViStatus LoseConnection();

    UsbTransport& transport_;
    TransferAbort abort_;
    Clock& clock_;
    std::uint8_t lastTag_ = 0;
    bool connectionLost_ = false;
    std::vector<std::uint8_t> outFrame_;  // one DEV_DEP_MSG_OUT transfer
    std::vector<std::uint8_t> inBuffer_;  // one DEV_DEP_MSG_IN transfer, sized per REQUEST
};

}  // namespace zvisa::usbtmc
