#include "usbtmc/UsbtmcExchange.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>

namespace zvisa::usbtmc {

namespace {

// Bounds the receive buffer of one session; a longer message simply takes
// more REQUESTs.
constexpr std::size_t kMaxRequestSize = std::size_t{1} << 20;

std::size_t RoundUp(std::size_t length, std::size_t multiple) {
    return (length + multiple - 1) / multiple * multiple;
}

}  // namespace

UsbtmcExchange::UsbtmcExchange(UsbTransport& transport)
    : transport_(transport),
      abort_(transport),
      clock_(transport.TimeSource()),
      interfaceNumber_(transport.Identity().number) {}

void UsbtmcExchange::LoadCapabilities() {
    constexpr std::chrono::milliseconds kCapabilitiesTimeout{1000};
    std::array<std::uint8_t, kCapabilitiesLength> reply{};
    const TransferOutcome outcome =
        transport_.ControlIn(kInterfaceClassIn, kGetCapabilities, 0, interfaceNumber_, reply.data(),
                             kCapabilitiesLength, kCapabilitiesTimeout);
    if (outcome.result == UsbResult::NoDevice) {
        LoseConnection();
    }
    capabilities_ = outcome.result == UsbResult::Ok
                        ? ParseCapabilities(reply.data(), outcome.transferred)
                        : DeviceCapabilities{};
}

IoResult UsbtmcExchange::Write(const std::uint8_t* data, std::size_t length, ViUInt32 timeoutMs,
                               bool endOfMessage) {
    // TransferSize may not be 0, so an empty write sends nothing.
    if (const ViStatus refused = Refusal(data, length); refused != VI_SUCCESS || length == 0) {
        return {refused, 0};
    }
    if (length > std::numeric_limits<std::uint32_t>::max() - kBulkHeaderSize) {
        return {VI_ERROR_INV_PARAMETER, 0};
    }
    try {
        outFrame_.assign(PaddedLength(kBulkHeaderSize + length), 0);
    } catch (const std::bad_alloc&) {
        return {VI_ERROR_ALLOC, 0};
    }
    BulkHeader header;
    header.msgId = kDevDepMsgOut;
    header.bTag = NextTag();
    header.transferSize = static_cast<std::uint32_t>(length);
    header.attributes = endOfMessage ? kEndOfMessage : 0;
    EncodeBulkHeader(header, outFrame_.data());
    std::copy_n(data, length, outFrame_.data() + kBulkHeaderSize);

    const Deadline deadline(clock_, timeoutMs);
    const Sent sent = SendBulkOut(outFrame_.data(), outFrame_.size(), header.bTag, deadline);
    const std::size_t dataSent =
        sent.bytes > kBulkHeaderSize ? std::min(length, sent.bytes - kBulkHeaderSize) : 0;
    return {sent.status, dataSent};
}

IoResult UsbtmcExchange::Read(std::uint8_t* buffer, std::size_t count, ViUInt32 timeoutMs,
                              const ReadTermination& termination) {
    if (const ViStatus refused = Refusal(buffer, count); refused != VI_SUCCESS) {
        return {refused, 0};
    }
    if (count == 0) {
        return {VI_SUCCESS_MAX_CNT, 0};
    }
    const Deadline deadline(clock_, timeoutMs);
    IoResult result;
    for (;;) {
        const auto requested =
            static_cast<std::uint32_t>(std::min(count - result.count, kMaxRequestSize));
        if (!ReserveInBuffer(requested)) {
            result.status = VI_ERROR_ALLOC;
            return result;
        }
        const InTransfer transfer = Request(requested, termination, deadline);
        std::copy_n(inBuffer_.data() + kBulkHeaderSize, transfer.dataLength, buffer + result.count);
        result.count += transfer.dataLength;
        if (transfer.status != VI_SUCCESS) {
            result.status = transfer.status;
            return result;
        }
        if (transfer.endedOnTermChar && termination.termChar) {
            result.status = VI_SUCCESS_TERM_CHAR;
            return result;
        }
        if (transfer.endOfMessage && !termination.suppressEnd) {
            return result;
        }
        if (result.count == count) {
            result.status = VI_SUCCESS_MAX_CNT;
            return result;
        }
        if (deadline.Expired()) {
            result.status = VI_ERROR_TMO;
            return result;
        }
    }
}

// Why a call cannot start, or VI_SUCCESS: once the device is gone every call
// fails without touching it.
ViStatus UsbtmcExchange::Refusal(const void* buffer, std::size_t length) const {
    if (connectionLost_) {
        return VI_ERROR_CONN_LOST;
    }
    return buffer == nullptr && length > 0 ? VI_ERROR_USER_BUF : VI_SUCCESS;
}

// bTags run 1..255 and wrap to 1: some devices ignore a header with tag 0.
std::uint8_t UsbtmcExchange::NextTag() {
    constexpr std::uint8_t kLastTag = 255;
    lastTag_ = lastTag_ == kLastTag ? 1 : static_cast<std::uint8_t>(lastTag_ + 1);
    return lastTag_;
}

// Room for the header, the data and one packet more: the short packet or ZLP
// that ends a well-formed transfer always fits, so a buffer that fills up
// means the device sent more than it may. Whole packets only, so libusb
// never overflows.
bool UsbtmcExchange::ReserveInBuffer(std::uint32_t requested) {
    const std::size_t packet = PacketSize();
    try {
        inBuffer_.resize(RoundUp(kBulkHeaderSize + requested + packet, packet));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// READ_STATUS_BYTE tags run 2..127: 1 marks a service request on Interrupt-IN.
std::uint8_t UsbtmcExchange::NextStatusTag() {
    constexpr std::uint8_t kFirst = 2;
    constexpr std::uint8_t kLast = 127;
    lastStatusTag_ = lastStatusTag_ < kFirst || lastStatusTag_ >= kLast
                         ? kFirst
                         : static_cast<std::uint8_t>(lastStatusTag_ + 1);
    return lastStatusTag_;
}

ViStatus UsbtmcExchange::Clear() {
    if (connectionLost_) {
        return VI_ERROR_CONN_LOST;
    }
    switch (abort_.Clear(interfaceNumber_)) {
        case UsbResult::Ok:
            return VI_SUCCESS;
        case UsbResult::NoDevice:
            return LoseConnection();
        case UsbResult::Timeout:
            return VI_ERROR_TMO;
        default:
            return VI_ERROR_IO;
    }
}

// A bare USB488 TRIGGER header with its own bTag.
ViStatus UsbtmcExchange::Trigger(ViUInt32 timeoutMs) {
    if (connectionLost_) {
        return VI_ERROR_CONN_LOST;
    }
    BulkHeader header;
    header.msgId = kTrigger;
    header.bTag = NextTag();
    std::array<std::uint8_t, kBulkHeaderSize> frame{};
    EncodeBulkHeader(header, frame.data());
    const Deadline deadline(clock_, timeoutMs);
    return SendBulkOut(frame.data(), frame.size(), header.bTag, deadline).status;
}

// The status byte comes in the control reply, or on Interrupt-IN where the
// interface has that endpoint.
ViStatus UsbtmcExchange::ReadStatusByte(ViUInt16& statusByte, ViUInt32 timeoutMs) {
    if (connectionLost_) {
        return VI_ERROR_CONN_LOST;
    }
    const Deadline deadline(clock_, timeoutMs);
    const std::uint8_t tag = NextStatusTag();
    std::array<std::uint8_t, kReadStatusByteLength> reply{};
    const TransferOutcome outcome =
        transport_.ControlIn(kInterfaceClassIn, kReadStatusByte, tag, interfaceNumber_,
                             reply.data(), kReadStatusByteLength, deadline.Remaining());
    if (outcome.result == UsbResult::NoDevice) {
        return LoseConnection();
    }
    if (outcome.result == UsbResult::Timeout) {
        return VI_ERROR_TMO;
    }
    if (outcome.result != UsbResult::Ok || outcome.transferred < kReadStatusByteLength ||
        reply[0] != kStatusSuccess || reply[1] != tag) {
        return VI_ERROR_IO;
    }
    std::uint8_t value = reply[2];
    if (transport_.HasInterruptIn()) {
        if (const ViStatus status = StatusByteNotification(tag, value, deadline);
            status != VI_SUCCESS) {
            return status;
        }
    }
    statusByte = value;
    return VI_SUCCESS;
}

// Skips notifications for other tags, such as service requests.
ViStatus UsbtmcExchange::StatusByteNotification(std::uint8_t tag, std::uint8_t& statusByte,
                                                const Deadline& deadline) {
    for (;;) {
        std::array<std::uint8_t, kNotifyLength> notify{};
        const TransferOutcome outcome =
            transport_.InterruptIn(notify.data(), notify.size(), deadline.Remaining());
        if (outcome.result == UsbResult::NoDevice) {
            return LoseConnection();
        }
        if (outcome.result == UsbResult::Timeout) {
            if (deadline.Expired()) {
                return VI_ERROR_TMO;
            }
            continue;
        }
        if (outcome.result == UsbResult::Aborted) {
            return VI_ERROR_ABORT;
        }
        if (outcome.result != UsbResult::Ok) {
            return VI_ERROR_IO;
        }
        if (outcome.transferred == kNotifyLength && notify[0] == (kNotifyStatusByte | tag)) {
            statusByte = notify[1];
            return VI_SUCCESS;
        }
    }
}

UsbtmcExchange::InTransfer UsbtmcExchange::Request(std::uint32_t requested,
                                                   const ReadTermination& termination,
                                                   const Deadline& deadline) {
    BulkHeader header;
    header.msgId = kRequestDevDepMsgIn;
    header.bTag = NextTag();
    header.transferSize = requested;
    // Only on request: binary blocks hold the usual termination character.
    if (termination.termChar && capabilities_.termChar) {
        header.attributes = kTermCharEnabled;
        header.termChar = *termination.termChar;
    }
    std::array<std::uint8_t, kBulkHeaderSize> frame{};
    EncodeBulkHeader(header, frame.data());

    InTransfer transfer;
    const Sent sent = SendBulkOut(frame.data(), frame.size(), header.bTag, deadline);
    if (sent.status != VI_SUCCESS) {
        transfer.status = sent.status;
        return transfer;
    }
    return ReceiveTransfer(header.bTag, requested, deadline);
}

UsbtmcExchange::Sent UsbtmcExchange::SendBulkOut(const std::uint8_t* frame, std::size_t length,
                                                 std::uint8_t tag, const Deadline& deadline) {
    Sent sent;
    while (sent.bytes < length) {
        const std::size_t left = length - sent.bytes;
        const TransferOutcome outcome =
            transport_.BulkOut(frame + sent.bytes, left, deadline.Remaining());
        sent.bytes += std::min(outcome.transferred, left);
        if (outcome.result == UsbResult::Ok && outcome.transferred > 0) {
            continue;
        }
        if (outcome.result == UsbResult::Timeout && !deadline.Expired()) {
            continue;
        }
        sent.status = BulkOutFailure(outcome.result, tag);
        return sent;
    }
    return sent;
}

ViStatus UsbtmcExchange::BulkOutFailure(UsbResult result, std::uint8_t tag) {
    switch (result) {
        case UsbResult::NoDevice:
            return LoseConnection();
        case UsbResult::Stall:
            if (transport_.ClearHalt(transport_.BulkOutEndpoint()) == UsbResult::NoDevice) {
                return LoseConnection();
            }
            return VI_ERROR_IO;
        case UsbResult::Timeout:
        case UsbResult::Aborted:
            // The device may hold half a message; abort it so the next one parses.
            if (abort_.AbortBulkOut(tag) == UsbResult::NoDevice) {
                return LoseConnection();
            }
            return result == UsbResult::Timeout ? VI_ERROR_TMO : VI_ERROR_ABORT;
        default:
            return VI_ERROR_IO;
    }
}

UsbtmcExchange::InTransfer UsbtmcExchange::ReceiveTransfer(std::uint8_t tag,
                                                           std::uint32_t requested,
                                                           const Deadline& deadline) {
    const Arrival arrival = ReceivePackets(deadline);
    InTransfer transfer = CheckTransfer(arrival, tag, requested);
    const ViStatus failure = ArrivalStatus(arrival);
    if (failure != VI_SUCCESS) {
        transfer.status = failure;
    }
    // A transfer with no short packet yet is still running on the device;
    // after a stall the halt itself has ended it.
    const bool stillSending =
        !arrival.ended && arrival.result != UsbResult::Stall && !connectionLost_;
    if (stillSending && abort_.AbortBulkIn(tag) == UsbResult::NoDevice) {
        transfer.status = LoseConnection();
    }
    return transfer;
}

// Reads one transfer into inBuffer_ until its short packet, the deadline or a
// failure. A zero-length packet where a header should start is skipped once:
// it is either the ZLP that ended the previous transfer or an empty transfer
// some devices send first. A second one is a protocol error.
UsbtmcExchange::Arrival UsbtmcExchange::ReceivePackets(const Deadline& deadline) {
    Arrival arrival;
    bool skippedEmpty = false;
    const std::size_t capacity = inBuffer_.size();
    while (arrival.received < capacity) {
        const std::size_t room = capacity - arrival.received;
        const TransferOutcome outcome =
            transport_.BulkIn(inBuffer_.data() + arrival.received, room, deadline.Remaining());
        const std::size_t got = std::min(outcome.transferred, room);
        arrival.received += got;
        if (outcome.result == UsbResult::Ok) {
            if (got == room) {
                continue;
            }
            if (arrival.received == 0 && !skippedEmpty) {
                skippedEmpty = true;
                continue;
            }
            arrival.ended = true;
            return arrival;
        }
        if (outcome.result == UsbResult::Timeout && !deadline.Expired()) {
            continue;
        }
        arrival.result = outcome.result;
        return arrival;
    }
    return arrival;
}

ViStatus UsbtmcExchange::ArrivalStatus(const Arrival& arrival) {
    switch (arrival.result) {
        case UsbResult::Ok:
            return VI_SUCCESS;
        case UsbResult::Timeout:
            return VI_ERROR_TMO;
        case UsbResult::Aborted:
            return VI_ERROR_ABORT;
        case UsbResult::Stall:
            if (transport_.ClearHalt(transport_.BulkInEndpoint()) == UsbResult::NoDevice) {
                return LoseConnection();
            }
            return VI_ERROR_IO;
        case UsbResult::NoDevice:
            return LoseConnection();
        default:
            return VI_ERROR_IO;
    }
}

// Decides what of the transfer in inBuffer_ reaches the caller. A bad header
// delivers nothing; otherwise at most the announced and requested bytes, so
// alignment bytes and overruns are dropped with the buffer.
UsbtmcExchange::InTransfer UsbtmcExchange::CheckTransfer(const Arrival& arrival, std::uint8_t tag,
                                                         std::uint32_t requested) const {
    InTransfer transfer;
    transfer.status = VI_ERROR_INP_PROT_VIOL;
    const std::optional<BulkHeader> header = ParseBulkHeader(inBuffer_.data(), arrival.received);
    if (!header || header->msgId != kDevDepMsgIn || header->bTag != tag) {
        return transfer;
    }
    const std::size_t announced = header->transferSize;
    const std::size_t arrived = arrival.received - kBulkHeaderSize;
    transfer.dataLength = std::min({announced, std::size_t{requested}, arrived});

    const std::size_t maxAlignment = PacketSize() - 1;
    const bool overrun =
        announced > requested || !arrival.ended || arrived > announced + maxAlignment;
    // EOM counts only when every announced byte arrived.
    const bool complete = arrived >= announced;
    const bool endOfMessage = (header->attributes & kEndOfMessage) != 0;
    // An empty transfer that does not end the message would only repeat.
    const bool empty = announced == 0 && !endOfMessage;
    if (overrun || !complete || empty) {
        return transfer;
    }
    transfer.status = VI_SUCCESS;
    transfer.endOfMessage = endOfMessage;
    transfer.endedOnTermChar = (header->attributes & kTermCharEnabled) != 0;
    return transfer;
}

std::size_t UsbtmcExchange::PacketSize() const {
    return std::max<std::size_t>(transport_.BulkInMaxPacket(), 1);
}

ViStatus UsbtmcExchange::LoseConnection() {
    connectionLost_ = true;
    return VI_ERROR_CONN_LOST;
}

}  // namespace zvisa::usbtmc
