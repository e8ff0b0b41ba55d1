#include "sim/SimUsbtmcDevice.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "usbtmc/UsbtmcProtocol.h"

namespace zvisa::sim {

// The device side of the wire format the host's exchange speaks.
using namespace usbtmc;

namespace {

// Commands are short; a longer message is refused rather than buffered.
constexpr std::size_t kMaxMessage = 64 * 1024;

}  // namespace

UsbResult SimUsbtmcDevice::ReceiveBulkOut(const std::uint8_t* data, std::size_t length,
                                          TimePoint now) {
    if (bulkOutHalted_) {
        return UsbResult::Stall;
    }
    bulkOut_.insert(bulkOut_.end(), data, data + length);
    std::size_t used = 0;
    while (bulkOut_.size() - used >= kBulkHeaderSize) {
        const std::uint8_t* frame = bulkOut_.data() + used;
        const auto header = ParseBulkHeader(frame, bulkOut_.size() - used);
        if (!header) {
            return HaltBulkOut();
        }
        if (header->msgId == kRequestDevDepMsgIn) {
            request_ = Request{header->bTag, header->transferSize, std::nullopt};
            if ((header->attributes & kTermCharEnabled) != 0) {
                request_->termChar = header->termChar;
            }
            used += kBulkHeaderSize;
            continue;
        }
        if (header->msgId == kTrigger) {
            used += kBulkHeaderSize;  // no trigger model: measuring starts on a query
            continue;
        }
        if (header->msgId != kDevDepMsgOut || header->transferSize > kMaxMessage) {
            return HaltBulkOut();
        }
        const std::size_t frameLength = kBulkHeaderSize + PaddedLength(header->transferSize);
        if (bulkOut_.size() - used < frameLength) {
            break;  // the rest of this transfer comes with the next call
        }
        const bool endOfMessage = (header->attributes & kEndOfMessage) != 0;
        TakeMessagePart(frame + kBulkHeaderSize, header->transferSize, endOfMessage, now);
        if (message_.size() > kMaxMessage) {
            return HaltBulkOut();
        }
        used += frameLength;
    }
    bulkOut_.erase(bulkOut_.begin(), bulkOut_.begin() + static_cast<std::ptrdiff_t>(used));
    return UsbResult::Ok;
}

// What a device does with a transfer it cannot parse: drop it and halt the
// endpoint until the host clears it.
UsbResult SimUsbtmcDevice::HaltBulkOut() {
    bulkOut_.clear();
    message_.clear();
    bulkOutHalted_ = true;
    return UsbResult::Stall;
}

void SimUsbtmcDevice::TakeMessagePart(const std::uint8_t* data, std::size_t length,
                                      bool endOfMessage, TimePoint now) {
    message_.append(reinterpret_cast<const char*>(data), length);
    if (endOfMessage && message_.size() <= kMaxMessage) {
        ExecuteMessage(now);
        message_.clear();
    }
}

// Each LF-terminated line is a program message; a new one discards the
// output nobody read (IEEE 488.2).
void SimUsbtmcDevice::ExecuteMessage(TimePoint now) {
    std::string_view rest = message_;
    while (!rest.empty()) {
        const std::size_t lineEnd = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, lineEnd));
        rest = lineEnd == std::string_view::npos ? std::string_view{} : rest.substr(lineEnd + 1);
        if (line.empty()) {
            continue;
        }
        output_ = Output{};
        std::optional<SimInstrument::Reply> reply = instrument_.Execute(line);
        if (reply) {
            output_.bytes = std::move(reply->bytes);
            output_.readyAt = Later(now, reply->acquisition);
            output_.present = true;
        }
    }
}

bool SimUsbtmcDevice::BulkInReady(TimePoint now) const {
    return transfer_.active || (request_ && output_.present && now >= output_.readyAt);
}

std::optional<SimUsbtmcDevice::TimePoint> SimUsbtmcDevice::ReplyReadyAt() const {
    if (request_ && output_.present && !transfer_.active) {
        return output_.readyAt;
    }
    return std::nullopt;
}

std::size_t SimUsbtmcDevice::SendBulkIn(std::uint8_t* data, std::size_t length) {
    if (!transfer_.active) {
        StartTransfer();
    }
    const std::size_t rest = transfer_.bytes.size() - transfer_.delivered;
    const std::size_t count = std::min(length, rest);
    std::copy_n(transfer_.bytes.data() + transfer_.delivered, count, data);
    transfer_.delivered += count;
    if (count == rest) {
        // A short last packet ends the transfer. After whole packets a
        // zero-length packet does; it ends this call too if room was left,
        // otherwise the next call gets it alone.
        const bool wholePackets = transfer_.bytes.size() % kMaxPacket == 0;
        if (!wholePackets || count < length) {
            transfer_ = InTransfer{};
        }
    }
    return count;
}

// TransferSize is what the REQUEST allows of what is left; EOM goes with
// the last byte of the reply.
void SimUsbtmcDevice::StartTransfer() {
    const std::size_t left = output_.bytes.size() - output_.sent;
    const std::size_t size = TransferLength(left, request_->termChar);
    BulkHeader header;
    header.msgId = kDevDepMsgIn;
    header.bTag = request_->tag;
    header.transferSize = static_cast<std::uint32_t>(size);
    header.attributes = size == left ? kEndOfMessage : 0;
    const bool endsOnTermChar = request_->termChar && size > 0 &&
                                output_.bytes[output_.sent + size - 1] == *request_->termChar;
    if (endsOnTermChar) {
        header.attributes |= kTermCharEnabled;
    }

    transfer_.bytes.assign(PaddedLength(kBulkHeaderSize + size), 0);
    EncodeBulkHeader(header, transfer_.bytes.data());
    std::copy_n(output_.bytes.data() + output_.sent, size,
                transfer_.bytes.data() + kBulkHeaderSize);
    transfer_.delivered = 0;
    transfer_.tag = header.bTag;
    transfer_.active = true;
    output_.sent += size;
    if (output_.sent == output_.bytes.size()) {
        output_ = Output{};
    }
    request_.reset();
}

// What the REQUEST allows of what is left, up to and with the first
// TermChar when it asked for one.
std::size_t SimUsbtmcDevice::TransferLength(std::size_t left,
                                            std::optional<std::uint8_t> termChar) const {
    std::size_t size = std::min<std::size_t>(request_->size, left);
    if (termChar) {
        const auto begin = output_.bytes.begin() + static_cast<std::ptrdiff_t>(output_.sent);
        const auto found = std::find(begin, begin + static_cast<std::ptrdiff_t>(size), *termChar);
        if (found != begin + static_cast<std::ptrdiff_t>(size)) {
            size = static_cast<std::size_t>(found - begin) + 1;
        }
    }
    return size;
}

// USBTMC 1.00 with TermChar; USB488 1.00, IEEE 488.2, TRIGGER; SCPI, DT1.
std::vector<std::uint8_t> SimUsbtmcDevice::Capabilities() const {
    std::vector<std::uint8_t> reply(kCapabilitiesLength, 0);
    reply[0] = kStatusSuccess;
    reply[3] = 0x01;  // bcdUSBTMC 0x0100, little-endian
    reply[kDeviceCapsOffset] = kCapsTermChar;
    reply[kUsb488VersionOffset + 1] = 0x01;
    reply[kUsb488InterfaceCapsOffset] = kCaps4882 | kCapsTrigger;
    constexpr std::uint8_t kScpi = 0x08;
    reply[kUsb488DeviceCapsOffset] = kScpi | kCapsDt1;
    return reply;
}

TransferOutcome SimUsbtmcDevice::ControlIn(std::uint8_t requestType, std::uint8_t request,
                                           std::uint16_t value, std::uint16_t index,
                                           std::uint8_t* data, std::uint16_t length) {
    const auto tag = static_cast<std::uint8_t>(value);
    const bool toBulkOut = requestType == kEndpointClassIn && index == kBulkOutEndpoint;
    const bool toBulkIn = requestType == kEndpointClassIn && index == kBulkInEndpoint;
    const bool toInterface = requestType == kInterfaceClassIn && index == kInterface;
    std::vector<std::uint8_t> reply;
    if (request == kInitiateAbortBulkOut && toBulkOut) {
        reply = AbortBulkOut(tag);
    } else if (request == kCheckAbortBulkOutStatus && toBulkOut) {
        reply = CheckAbortStatus(false, abortedOutBytes_);
    } else if (request == kInitiateAbortBulkIn && toBulkIn) {
        reply = AbortBulkIn(tag);
    } else if (request == kCheckAbortBulkInStatus && toBulkIn) {
        // Pending while the packet that ends the aborted transfer is unread.
        reply = CheckAbortStatus(transfer_.active, abortedInBytes_);
    } else if (request == kInitiateClear && toInterface) {
        Clear();
        reply = {kStatusSuccess};
    } else if (request == kCheckClearStatus && toInterface) {
        reply = {kStatusSuccess, 0};
    } else if (request == kGetCapabilities && toInterface) {
        reply = Capabilities();
    } else if (request == kReadStatusByte && toInterface) {
        const std::uint8_t statusByte = output_.present ? kStatusByteMav : 0;
        reply = {kStatusSuccess, tag, statusByte};
    } else {
        return {UsbResult::Stall, 0};  // a request this device does not know
    }
    const std::size_t count = std::min<std::size_t>(length, reply.size());
    if (data != nullptr) {
        std::copy_n(reply.data(), count, data);
    }
    return {UsbResult::Ok, data != nullptr ? count : 0};
}

std::vector<std::uint8_t> SimUsbtmcDevice::AbortBulkOut(std::uint8_t tag) {
    const auto header = ParseBulkHeader(bulkOut_.data(), bulkOut_.size());
    if (!header || header->bTag != tag) {
        return {kStatusTransferNotInProgress, tag};
    }
    abortedOutBytes_ = static_cast<std::uint32_t>(bulkOut_.size() - kBulkHeaderSize);
    bulkOut_.clear();
    message_.clear();
    return {kStatusSuccess, tag};
}

// A REQUEST still waiting for its reply counts as the transfer in progress:
// the host gave up on it. The transfer ends with a zero-length packet and
// the reply is dropped.
std::vector<std::uint8_t> SimUsbtmcDevice::AbortBulkIn(std::uint8_t tag) {
    const bool sending = transfer_.active && transfer_.tag == tag;
    const bool waiting = !transfer_.active && request_ && request_->tag == tag;
    if (!sending && !waiting) {
        return {kStatusTransferNotInProgress, tag};
    }
    abortedInBytes_ = static_cast<std::uint32_t>(
        sending ? std::min(transfer_.delivered, transfer_.bytes.size()) : 0);
    output_ = Output{};
    request_.reset();
    transfer_ = InTransfer{};
    transfer_.tag = tag;
    transfer_.active = true;
    return {kStatusSuccess, tag};
}

// CHECK_ABORT_BULK_*_STATUS: status, bmAbortBulkIn, two reserved bytes, then
// the byte count little-endian.
std::vector<std::uint8_t> SimUsbtmcDevice::CheckAbortStatus(bool pending,
                                                            std::uint32_t bytes) const {
    std::vector<std::uint8_t> reply = {pending ? kStatusPending : kStatusSuccess,
                                       pending ? kBulkInFifoHasData : std::uint8_t{0}, 0, 0};
    for (int shift = 0; shift < 32; shift += 8) {
        reply.push_back(static_cast<std::uint8_t>(bytes >> shift));
    }
    return reply;
}

void SimUsbtmcDevice::Clear() {
    bulkOut_.clear();
    message_.clear();
    output_ = Output{};
    request_.reset();
    transfer_ = InTransfer{};
}

void SimUsbtmcDevice::ClearHalt(std::uint8_t endpoint) {
    if (endpoint == kBulkOutEndpoint) {
        bulkOutHalted_ = false;
    }
}

void SimUsbtmcDevice::PowerOn() {
    Clear();
    bulkOutHalted_ = false;
    abortedOutBytes_ = 0;
    abortedInBytes_ = 0;
    instrument_.Reset();
}

}  // namespace zvisa::sim
