#include "ScriptedUsbDevice.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace zvisa::usbtmc::testing {

ScriptedUsbDevice::ScriptedUsbDevice(VirtualClock& clock, std::uint16_t maxPacket)
    : clock_(clock), maxPacket_(maxPacket) {}

void ScriptedUsbDevice::Answer(const std::string& command, std::vector<std::uint8_t> reply) {
    answers_[command] = std::move(reply);
}

void ScriptedUsbDevice::FaultReply(ReplyFault fault) {
    faults_.push_back(fault);
}

TransferOutcome ScriptedUsbDevice::BulkOut(const std::uint8_t* data, std::size_t length,
                                           std::chrono::milliseconds timeout) {
    if (unplugged_) {
        return {UsbResult::NoDevice, 0};
    }
    if (outHalted_) {
        return {UsbResult::Stall, 0};
    }
    const ReplyFault::Kind fault = std::exchange(nextOutFault, ReplyFault::kNone);
    if (fault == ReplyFault::kNak) {
        clock_.Advance(timeout);
        return {UsbResult::Timeout, 0};
    }
    if (fault == ReplyFault::kStall) {
        outHalted_ = true;
        return {UsbResult::Stall, 0};
    }
    if (fault == ReplyFault::kVanish) {
        unplugged_ = true;
        return {UsbResult::NoDevice, 0};
    }
    bulkOut.emplace_back(data, data + length);
    const std::optional<BulkHeader> header = ParseBulkHeader(data, length);
    if (header && header->msgId == kDevDepMsgOut) {
        TakeMessageOut(*header, data + kBulkHeaderSize, length - kBulkHeaderSize);
    } else if (header && header->msgId == kRequestDevDepMsgIn) {
        requests.push_back(*header);
        StartTransfer(*header);
    } else if (header && header->msgId == kTrigger) {
        triggers.push_back(*header);
    }
    return {UsbResult::Ok, length};
}

void ScriptedUsbDevice::TakeMessageOut(const BulkHeader& header, const std::uint8_t* data,
                                       std::size_t length) {
    incoming_.insert(incoming_.end(), data,
                     data + std::min<std::size_t>(header.transferSize, length));
    if ((header.attributes & kEndOfMessage) == 0) {
        return;
    }
    // A new command discards unread output.
    const std::string command(incoming_.begin(), incoming_.end());
    incoming_.clear();
    const auto answer = answers_.find(command);
    reply_ = answer != answers_.end() ? answer->second : std::vector<std::uint8_t>{};
    replyPos_ = 0;
    packets_.clear();
    pipeEnd_ = ReplyFault::kNone;
    transferOpen_ = false;
}

void ScriptedUsbDevice::StartTransfer(const BulkHeader& request) {
    if (transferOpen_) {
        ++requestsDuringTransfer;
    }
    packets_.clear();
    pipeEnd_ = ReplyFault::kNone;
    const std::size_t left = reply_.size() - replyPos_;
    transferOpen_ = true;
    transferTag_ = request.bTag;
    delayLeft_ = replyDelay;
    const ReplyFault fault = faults_.empty() ? ReplyFault{} : faults_.front();
    if (!faults_.empty()) {
        faults_.pop_front();
    }
    if (left == 0) {
        return;  // nothing to say: the host's read times out
    }
    std::size_t limit = SIZE_MAX;
    if (!transferLimits.empty()) {
        limit = transferLimits.front();
        transferLimits.pop_front();
    }
    std::size_t size =
        ignoreTransferSize ? left : std::min({left, std::size_t{request.transferSize}, limit});
    if ((request.attributes & kTermCharEnabled) != 0) {
        const auto begin = reply_.begin() + static_cast<std::ptrdiff_t>(replyPos_);
        const auto end = begin + static_cast<std::ptrdiff_t>(size);
        const auto found = std::find(begin, end, request.termChar);
        size = found != end ? static_cast<std::size_t>(found - begin) + 1 : size;
    }
    const std::vector<std::uint8_t> bytes = TransferBytes(request, size, fault);
    for (std::size_t i = 0; i < fault.at && fault.kind == ReplyFault::kLeadingZlps; ++i) {
        packets_.emplace_back();
    }
    const bool holdsBack = fault.kind == ReplyFault::kNak || fault.kind == ReplyFault::kStall ||
                           fault.kind == ReplyFault::kVanish;
    QueuePackets(bytes, holdsBack);
    if (holdsBack) {
        pipeEnd_ = fault.kind;
    }
    replyPos_ += size;
    previousTag_ = request.bTag;
}

std::vector<std::uint8_t> ScriptedUsbDevice::TransferBytes(const BulkHeader& request,
                                                           std::size_t size,
                                                           const ReplyFault& fault) {
    BulkHeader header;
    header.msgId = kDevDepMsgIn;
    header.bTag = fault.kind == ReplyFault::kPreviousTag ? previousTag_ : request.bTag;
    header.transferSize = static_cast<std::uint32_t>(size);
    header.attributes = replyPos_ + size == reply_.size() ? kEndOfMessage : 0;
    if ((request.attributes & kTermCharEnabled) != 0 && size > 0 &&
        reply_[replyPos_ + size - 1] == request.termChar) {
        header.attributes |= kTermCharEnabled;
    }
    std::vector<std::uint8_t> bytes(kBulkHeaderSize);
    EncodeBulkHeader(header, bytes.data());
    if (fault.kind == ReplyFault::kBadTagInverse) {
        bytes[2] = bytes[1];
    }
    if (fault.kind == ReplyFault::kWrongMsgId) {
        bytes[0] = kVendorSpecificIn;
    }
    if (fault.kind == ReplyFault::kShortHeader) {
        bytes.resize(8);
        return bytes;
    }
    const bool cut = fault.kind != ReplyFault::kNone && fault.kind != ReplyFault::kLeadingZlps;
    const std::size_t sent = cut ? std::min(fault.at, size) : size;
    const auto begin = reply_.begin() + static_cast<std::ptrdiff_t>(replyPos_);
    bytes.insert(bytes.end(), begin, begin + static_cast<std::ptrdiff_t>(sent));
    bytes.resize(PaddedLength(bytes.size()) + extraAlignment, alignmentFill);
    return bytes;
}

// Splits into packets; a transfer of whole packets ends with a ZLP. When the
// short tail is held back the transfer stays open after the last full packet.
void ScriptedUsbDevice::QueuePackets(const std::vector<std::uint8_t>& bytes, bool holdShortTail) {
    for (std::size_t pos = 0; pos < bytes.size(); pos += maxPacket_) {
        const std::size_t end = std::min(bytes.size(), pos + maxPacket_);
        if (holdShortTail && end - pos < maxPacket_) {
            return;
        }
        packets_.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                              bytes.begin() + static_cast<std::ptrdiff_t>(end));
    }
    if (!holdShortTail && bytes.size() % maxPacket_ == 0) {
        packets_.emplace_back();
    }
}

// What a device still sends after an abort: a packet of the old reply and
// the short packet that ends it.
void ScriptedUsbDevice::QueueAbortTail() {
    packets_.emplace_back(maxPacket_, 0xAB);
    packets_.emplace_back(5, 0xAB);
}

TransferOutcome ScriptedUsbDevice::BulkIn(std::uint8_t* data, std::size_t length,
                                          std::chrono::milliseconds timeout) {
    bulkInLengths.push_back(length);
    if (unplugged_) {
        return {UsbResult::NoDevice, 0};
    }
    if (inHalted_) {
        return {UsbResult::Stall, 0};
    }
    if (length % maxPacket_ != 0) {
        return {UsbResult::Error, 0};  // a packet could overflow the buffer
    }
    if (delayLeft_ > timeout) {
        delayLeft_ -= timeout;
        clock_.Advance(timeout);
        return {UsbResult::Timeout, 0};
    }
    clock_.Advance(std::exchange(delayLeft_, std::chrono::milliseconds{0}));
    std::size_t got = 0;
    while (!packets_.empty() && got < length) {
        const std::vector<std::uint8_t> packet = std::move(packets_.front());
        packets_.pop_front();
        std::copy(packet.begin(), packet.end(), data + got);
        got += packet.size();
        if (packet.size() < maxPacket_) {
            transferOpen_ = false;
            return {UsbResult::Ok, got};
        }
    }
    if (got == length) {
        return {UsbResult::Ok, got};
    }
    return PipeEvent(got, timeout);
}

TransferOutcome ScriptedUsbDevice::PipeEvent(std::size_t got, std::chrono::milliseconds timeout) {
    if (pipeEnd_ == ReplyFault::kStall) {
        inHalted_ = true;
        return {UsbResult::Stall, got};
    }
    if (pipeEnd_ == ReplyFault::kVanish) {
        unplugged_ = true;
        return {UsbResult::NoDevice, got};
    }
    clock_.Advance(timeout);
    return {UsbResult::Timeout, got};
}

TransferOutcome ScriptedUsbDevice::ControlIn(std::uint8_t requestType, std::uint8_t request,
                                             std::uint16_t value, std::uint16_t index,
                                             std::uint8_t* data, std::uint16_t length,
                                             std::chrono::milliseconds) {
    controls.push_back({requestType, request, value, index, length});
    if (unplugged_) {
        return {UsbResult::NoDevice, 0};
    }
    std::uint8_t reply[8] = {};
    switch (request) {
        case kInitiateAbortBulkIn:
            reply[0] = !transferOpen_          ? kStatusFailed
                       : value != transferTag_ ? kStatusTransferNotInProgress
                                               : kStatusSuccess;
            reply[0] = initiateStatus != 0 ? initiateStatus : reply[0];
            reply[1] = transferTag_;
            if (reply[0] == kStatusSuccess) {
                packets_.clear();
                pipeEnd_ = ReplyFault::kNone;
                QueueAbortTail();
            }
            break;
        case kCheckAbortBulkInStatus:
            if (extraPendingChecks > 0) {
                --extraPendingChecks;
                QueueAbortTail();
            }
            reply[0] = pendingForever || !packets_.empty() ? kStatusPending : kStatusSuccess;
            reply[1] = packets_.empty() ? 0 : 1;
            break;
        case kGetCapabilities:
            if (!capabilities.empty()) {
                const std::size_t size = std::min<std::size_t>(length, capabilities.size());
                std::copy_n(capabilities.data(), size, data);
                return {UsbResult::Ok, size};
            }
            reply[0] = kStatusFailed;
            break;
        case kInitiateClear:
            ClearDevice();
            reply[0] = kStatusSuccess;
            break;
        case kCheckClearStatus:
            reply[0] = kStatusSuccess;
            outHalted_ = true;  // as the device halts Bulk-OUT with a clear
            break;
        case kReadStatusByte: {
            const std::vector<std::uint8_t> status =
                ReadStatusByte(static_cast<std::uint8_t>(value));
            std::copy(status.begin(), status.end(), reply);
            break;
        }
        case kInitiateAbortBulkOut:
        case kCheckAbortBulkOutStatus:
            reply[0] = kStatusSuccess;
            if (request == kCheckAbortBulkOutStatus) {
                outHalted_ = true;
            }
            break;
        default:
            reply[0] = kStatusFailed;
    }
    const std::size_t size = std::min<std::size_t>(length, sizeof reply);
    std::copy_n(reply, size, data);
    return {UsbResult::Ok, size};
}

void ScriptedUsbDevice::ClearDevice() {
    incoming_.clear();
    reply_.clear();
    replyPos_ = 0;
    packets_.clear();
    pipeEnd_ = ReplyFault::kNone;
    transferOpen_ = false;
}

// With Interrupt-IN the control reply carries no status byte; the
// notification does.
std::vector<std::uint8_t> ScriptedUsbDevice::ReadStatusByte(std::uint8_t tag) {
    if (interruptIn) {
        notifications_.push_back({static_cast<std::uint8_t>(kNotifyStatusByte | 1), 0x40});  // SRQ
        notifications_.push_back({static_cast<std::uint8_t>(kNotifyStatusByte | tag), statusByte});
        return {kStatusSuccess, tag, 0};
    }
    return {kStatusSuccess, tag, statusByte};
}

TransferOutcome ScriptedUsbDevice::InterruptIn(std::uint8_t* data, std::size_t length,
                                               std::chrono::milliseconds timeout) {
    if (unplugged_) {
        return {UsbResult::NoDevice, 0};
    }
    if (notifications_.empty()) {
        clock_.Advance(timeout);
        return {UsbResult::Timeout, 0};
    }
    const std::vector<std::uint8_t> notification = std::move(notifications_.front());
    notifications_.pop_front();
    const std::size_t size = std::min(length, notification.size());
    std::copy_n(notification.data(), size, data);
    return {UsbResult::Ok, size};
}

UsbResult ScriptedUsbDevice::ClearHalt(std::uint8_t endpoint) {
    clearedHalts.push_back(endpoint);
    if (unplugged_) {
        return UsbResult::NoDevice;
    }
    if (endpoint == kInEndpoint) {
        inHalted_ = false;
        packets_.clear();
        pipeEnd_ = ReplyFault::kNone;
        transferOpen_ = false;
    } else {
        outHalted_ = false;
    }
    return UsbResult::Ok;
}

std::vector<std::uint8_t> BlockReply(std::size_t length) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "#6%06zu", length - 9);
    std::vector<std::uint8_t> block(prefix, prefix + 8);
    for (std::size_t i = 0; block.size() + 1 < length; ++i) {
        block.push_back(static_cast<std::uint8_t>(i * 7 + i / 256));  // holds 0x0A and 0x00
    }
    block.push_back('\n');
    return block;
}

std::vector<std::uint8_t> Usb488Capabilities(bool termChar) {
    std::vector<std::uint8_t> reply(kCapabilitiesLength, 0);
    reply[0] = kStatusSuccess;
    reply[kDeviceCapsOffset] = termChar ? kCapsTermChar : 0;
    reply[kUsb488VersionOffset + 1] = 0x01;
    reply[kUsb488InterfaceCapsOffset] = kCaps4882 | kCapsTrigger;
    return reply;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace zvisa::usbtmc::testing
