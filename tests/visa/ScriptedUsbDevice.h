#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "base/UsbTransport.h"
#include "base/VirtualClock.h"
#include "usbtmc/UsbtmcProtocol.h"

namespace zvisa::usbtmc::testing {

// What goes wrong with one DEV_DEP_MSG_IN transfer. `at` counts data bytes:
// the device sends only the whole packets of header + `at` bytes before the
// event (kCutShort ends there with a short packet instead).
struct ReplyFault {
    enum Kind {
        kNone,
        kPreviousTag,    // echoes the tag of the REQUEST before
        kBadTagInverse,  // bTagInverse equal to bTag
        kWrongMsgId,     // VENDOR_SPECIFIC_IN
        kShortHeader,    // 8 header bytes, then a short packet
        kLeadingZlps,    // `at` zero-length packets before the header
        kCutShort,       // header promises everything, short packet after `at` bytes
        kNak,            // then nothing until an abort
        kStall,          // then the endpoint halts
        kVanish,         // then the device is gone
    };
    Kind kind = kNone;
    std::size_t at = 0;
};

struct ControlCall {
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;
};

// A USBTMC device at transfer level behind UsbTransport, with libusb's
// semantics: a bulk-IN call takes whole packets until its length is full
// or a short packet (ZLP included) ends the transfer. Answers commands from
// a table, records everything the host sends, and fails on request.
class ScriptedUsbDevice : public UsbTransport {
public:
    static constexpr std::uint8_t kInEndpoint = 0x81;
    static constexpr std::uint8_t kOutEndpoint = 0x02;

    explicit ScriptedUsbDevice(VirtualClock& clock, std::uint16_t maxPacket = 512);

    // --- script
    void Answer(const std::string& command, std::vector<std::uint8_t> reply);
    void FaultReply(ReplyFault fault);       // applies to the next REQUEST not yet faulted
    std::deque<std::size_t> transferLimits;  // data bytes of the next transfers, then no limit
    bool ignoreTransferSize = false;
    std::size_t extraAlignment = 0;  // alignment bytes beyond the multiple of 4
    std::uint8_t alignmentFill = 0xEE;
    std::chrono::milliseconds replyDelay{0};  // before each transfer starts
    std::uint8_t initiateStatus = 0;          // forced INITIATE_ABORT_BULK_IN status
    int extraPendingChecks = 0;               // CHECKs answering PENDING, D0=1, with more data
    bool pendingForever = false;              // CHECKs answering PENDING, D0=0
    ReplyFault::Kind nextOutFault = ReplyFault::kNone;  // kNak, kStall or kVanish
    std::vector<std::uint8_t> capabilities;  // the GET_CAPABILITIES reply; FAILED when empty
    bool interruptIn = false;  // USB488 status byte on Interrupt-IN instead of the control reply
    std::uint8_t statusByte = 0;
    void Unplug() { unplugged_ = true; }

    // --- what the host did
    std::vector<std::vector<std::uint8_t>> bulkOut;  // every Bulk-OUT call's bytes
    std::vector<BulkHeader> requests;                // parsed REQUEST_DEV_DEP_MSG_IN
    std::vector<ControlCall> controls;
    std::vector<std::size_t> bulkInLengths;
    std::vector<std::uint8_t> clearedHalts;
    int requestsDuringTransfer = 0;    // REQUESTs sent before the last transfer ended
    std::vector<BulkHeader> triggers;  // USB488 TRIGGER headers
    std::size_t TransportCalls() const {
        return bulkOut.size() + bulkInLengths.size() + controls.size() + clearedHalts.size();
    }

    // --- UsbTransport
    TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                            std::chrono::milliseconds timeout) override;
    TransferOutcome BulkIn(std::uint8_t* data, std::size_t length,
                           std::chrono::milliseconds timeout) override;
    TransferOutcome ControlIn(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                              std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                              std::chrono::milliseconds timeout) override;
    UsbResult ClearHalt(std::uint8_t endpoint) override;
    bool HasInterruptIn() const override { return interruptIn; }
    TransferOutcome InterruptIn(std::uint8_t* data, std::size_t length,
                                std::chrono::milliseconds timeout) override;
    std::uint8_t BulkInEndpoint() const override { return kInEndpoint; }
    std::uint8_t BulkOutEndpoint() const override { return kOutEndpoint; }
    std::uint16_t BulkInMaxPacket() const override { return maxPacket_; }
    Clock& TimeSource() override { return clock_; }

private:
    void TakeMessageOut(const BulkHeader& header, const std::uint8_t* data, std::size_t length);
    void StartTransfer(const BulkHeader& request);
    std::vector<std::uint8_t> TransferBytes(const BulkHeader& request, std::size_t size,
                                            const ReplyFault& fault);
    void QueuePackets(const std::vector<std::uint8_t>& bytes, bool holdShortTail);
    void QueueAbortTail();
    void ClearDevice();
    std::vector<std::uint8_t> ReadStatusByte(std::uint8_t tag);
    TransferOutcome PipeEvent(std::size_t got, std::chrono::milliseconds timeout);

    VirtualClock& clock_;
    std::uint16_t maxPacket_;
    std::map<std::string, std::vector<std::uint8_t>> answers_;
    std::deque<ReplyFault> faults_;
    std::vector<std::uint8_t> incoming_;
    std::vector<std::uint8_t> reply_;
    std::size_t replyPos_ = 0;
    std::deque<std::vector<std::uint8_t>> packets_;
    ReplyFault::Kind pipeEnd_ = ReplyFault::kNone;
    std::chrono::milliseconds delayLeft_{0};
    bool transferOpen_ = false;
    std::uint8_t transferTag_ = 0;
    std::uint8_t previousTag_ = 0;
    bool inHalted_ = false;
    bool outHalted_ = false;
    bool unplugged_ = false;
    std::deque<std::vector<std::uint8_t>> notifications_;  // Interrupt-IN
};

// A USB488 interface's GET_CAPABILITIES reply: TermChar, IEEE 488.2 and TRIGGER.
std::vector<std::uint8_t> Usb488Capabilities(bool termChar = true);

// The 200009-byte "DR?" reply: "#6200000", 200000 data bytes, LF.
std::vector<std::uint8_t> BlockReply(std::size_t length = 200009);
std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace zvisa::usbtmc::testing
