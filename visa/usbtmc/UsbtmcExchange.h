#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// When a read ends besides a full buffer: the session's termination attributes.
struct ReadTermination {
    std::optional<std::uint8_t> termChar;  // asked of devices that can end a transfer on it
    bool suppressEnd = false;              // EOM does not end the read
};

// USBTMC over one transport: DEV_DEP_MSG_OUT for writes, REQUEST_DEV_DEP_MSG_IN
// and DEV_DEP_MSG_IN for reads, USB488 TRIGGER and READ_STATUS_BYTE, device
// clear. One per device, as it keeps the device's bTag sequences; callers
// run one call at a time. A transfer the transport's Interrupt() ends gives
// VI_ERROR_ABORT, after the USBTMC abort of what the device was doing, so
// the next call starts clean. Deadlines run on the transport's clock, so a
// simulated or scripted device can run timeouts on virtual time. Borrows the
// transport; never throws.
class UsbtmcExchange {
public:
    explicit UsbtmcExchange(UsbTransport& transport);

    // GET_CAPABILITIES; before the first call that depends on them.
    void LoadCapabilities();
    const DeviceCapabilities& Capabilities() const { return capabilities_; }
    // Once the device is gone every call fails with VI_ERROR_CONN_LOST.
    bool ConnectionLost() const { return connectionLost_; }

    // timeoutMs is the session's VI_ATTR_TMO_VALUE: one deadline for the
    // whole call, VI_TMO_INFINITE for none. EOM marks the last byte when
    // `endOfMessage`.
    IoResult Write(const std::uint8_t* data, std::size_t length, ViUInt32 timeoutMs,
                   bool endOfMessage = true);

    // VI_SUCCESS at the end of a message, VI_SUCCESS_TERM_CHAR when the
    // device ended the transfer on the termination character,
    // VI_SUCCESS_MAX_CNT when `count` bytes arrived first (the rest stays
    // readable), VI_ERROR_TMO with the bytes that did arrive. Never stores
    // more than `count` bytes.
    IoResult Read(std::uint8_t* buffer, std::size_t count, ViUInt32 timeoutMs,
                  const ReadTermination& termination = {});

    ViStatus Clear();
    ViStatus Trigger(ViUInt32 timeoutMs);
    ViStatus ReadStatusByte(ViUInt16& statusByte, ViUInt32 timeoutMs);

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
        bool endedOnTermChar = false;
    };
    struct Sent {
        ViStatus status = VI_SUCCESS;
        std::size_t bytes = 0;  // including the header
    };

    ViStatus Refusal(const void* buffer, std::size_t length) const;
    std::uint8_t NextTag();
    bool ReserveInBuffer(std::uint32_t requested);
    std::uint8_t NextStatusTag();
    InTransfer Request(std::uint32_t requested, const ReadTermination& termination,
                       const Deadline& deadline);
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
    ViStatus StatusByteNotification(std::uint8_t tag, std::uint8_t& statusByte,
                                    const Deadline& deadline);

    UsbTransport& transport_;
    TransferAbort abort_;
    Clock& clock_;
    std::uint8_t interfaceNumber_;
    DeviceCapabilities capabilities_;
    std::uint8_t lastTag_ = 0;
    std::uint8_t lastStatusTag_ = 0;
    std::atomic<bool> connectionLost_{false};  // also read outside the caller's call
    std::vector<std::uint8_t> outFrame_;       // one DEV_DEP_MSG_OUT transfer
    std::vector<std::uint8_t> inBuffer_;       // one DEV_DEP_MSG_IN transfer, sized per REQUEST
};

}  // namespace zvisa::usbtmc
