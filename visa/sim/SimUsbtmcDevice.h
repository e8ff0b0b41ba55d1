#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/UsbTransport.h"
#include "sim/SimInstrument.h"
#include "sim/SimMeterConfig.h"

namespace zvisa::sim {

// The USBTMC function of a simulated meter, a USB488 interface without
// Interrupt-IN: DEV_DEP_MSG_OUT transfers are assembled into messages for
// the instrument, each REQUEST_DEV_DEP_MSG_IN gets one DEV_DEP_MSG_IN
// transfer (ended early on TermChar when asked), and the class requests
// abort, clear, report capabilities and the status byte.
// Bulk-IN follows libusb: a call takes up to `length` bytes of the transfer;
// one that fills whole 512-byte packets is ended by a zero-length packet.
// Plain state: the caller supplies the time and the locking.
class SimUsbtmcDevice {
public:
    using TimePoint = Clock::TimePoint;

    static constexpr std::uint8_t kBulkInEndpoint = 0x81;
    static constexpr std::uint8_t kBulkOutEndpoint = 0x02;
    static constexpr std::uint16_t kMaxPacket = 512;
    static constexpr std::uint8_t kInterface = 0;
    static constexpr std::uint8_t kProtocolUsb488 = 1;
    // IEEE 488.2 status byte: message available.
    static constexpr std::uint8_t kStatusByteMav = 0x10;

    explicit SimUsbtmcDevice(const SimMeterConfig& config) : instrument_(config) {}

    // Stall when the endpoint is halted or the bytes are no USBTMC transfer.
    UsbResult ReceiveBulkOut(const std::uint8_t* data, std::size_t length, TimePoint now);

    // True when a bulk-IN call would get a packet now.
    bool BulkInReady(TimePoint now) const;
    // When the reply a REQUEST waits for will be ready, if one does.
    std::optional<TimePoint> ReplyReadyAt() const;
    // Only when BulkInReady(). Returns the bytes stored, at most `length`.
    std::size_t SendBulkIn(std::uint8_t* data, std::size_t length);

    TransferOutcome ControlIn(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                              std::uint16_t index, std::uint8_t* data, std::uint16_t length);
    void ClearHalt(std::uint8_t endpoint);

    // As after plugging in: nothing queued, instrument settings reset.
    void PowerOn();

private:
    struct Output {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;  // moved into transfers
        TimePoint readyAt;
        bool present = false;
    };
    struct Request {
        std::uint8_t tag = 0;
        std::uint32_t size = 0;
        std::optional<std::uint8_t> termChar;
    };
    struct InTransfer {
        std::vector<std::uint8_t> bytes;  // header, data, alignment
        std::size_t delivered = 0;
        std::uint8_t tag = 0;
        bool active = false;  // until its short or zero-length packet is taken
    };

    UsbResult HaltBulkOut();
    void TakeMessagePart(const std::uint8_t* data, std::size_t length, bool endOfMessage,
                         TimePoint now);
    void ExecuteMessage(TimePoint now);
    void StartTransfer();
    std::vector<std::uint8_t> AbortBulkOut(std::uint8_t tag);
    std::vector<std::uint8_t> AbortBulkIn(std::uint8_t tag);
    std::vector<std::uint8_t> CheckAbortStatus(bool pending, std::uint32_t bytes) const;
    std::vector<std::uint8_t> Capabilities() const;
    std::size_t TransferLength(std::size_t left, std::optional<std::uint8_t> termChar) const;
    void Clear();

    SimInstrument instrument_;
    std::vector<std::uint8_t> bulkOut_;  // the start of a transfer still arriving
    bool bulkOutHalted_ = false;
    std::string message_;  // DEV_DEP_MSG_OUT data until EOM
    Output output_;
    std::optional<Request> request_;
    InTransfer transfer_;
    std::uint32_t abortedOutBytes_ = 0;
    std::uint32_t abortedInBytes_ = 0;
};

}  // namespace zvisa::sim
