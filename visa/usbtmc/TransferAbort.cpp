#include "usbtmc/TransferAbort.h"

#include <algorithm>

#include "usbtmc/UsbtmcProtocol.h"

namespace zvisa::usbtmc {

namespace {

// Long enough for a meter to finish what it was sending, short enough that a
// dead one does not hold the session much past its own timeout.
constexpr std::chrono::milliseconds kAbortBudget{2000};
constexpr std::chrono::milliseconds kDrainReadTimeout{300};
constexpr std::chrono::milliseconds kCheckInterval{20};
// Bounds the loops even when the device answers at once forever.
constexpr int kMaxDrainReads = 100;
constexpr int kMaxChecks = 100;
constexpr std::size_t kDrainPackets = 64;

}  // namespace

TransferAbort::TransferAbort(UsbTransport& transport)
    : transport_(transport), clock_(transport.TimeSource()) {}

UsbResult TransferAbort::AbortBulkIn(std::uint8_t tag) {
    const Deadline deadline(clock_, kAbortBudget);
    const std::uint8_t endpoint = transport_.BulkInEndpoint();
    const UsbResult initiated = Initiate(kInitiateAbortBulkIn, tag, endpoint, deadline);
    if (initiated != UsbResult::Ok) {
        return initiated;
    }
    const UsbResult drained = DrainBulkIn(deadline);
    if (drained == UsbResult::NoDevice) {
        return drained;
    }
    return PollCheck(kEndpointClassIn, kCheckAbortBulkInStatus, endpoint, deadline);
}

UsbResult TransferAbort::AbortBulkOut(std::uint8_t tag) {
    const Deadline deadline(clock_, kAbortBudget);
    const std::uint8_t endpoint = transport_.BulkOutEndpoint();
    const UsbResult initiated = Initiate(kInitiateAbortBulkOut, tag, endpoint, deadline);
    if (initiated != UsbResult::Ok) {
        return initiated;
    }
    const UsbResult checked =
        PollCheck(kEndpointClassIn, kCheckAbortBulkOutStatus, endpoint, deadline);
    if (checked != UsbResult::Ok) {
        return checked;
    }
    // The device halts Bulk-OUT once the abort completes.
    return transport_.ClearHalt(endpoint);
}

UsbResult TransferAbort::Clear(std::uint8_t interfaceNumber) {
    const Deadline deadline(clock_, kAbortBudget);
    const Reply reply = ClassRequest(kInterfaceClassIn, kInitiateClear, 0, interfaceNumber,
                                     kInitiateClearLength, deadline);
    if (reply.result != UsbResult::Ok) {
        return reply.result;
    }
    if (reply.status != kStatusSuccess) {
        return UsbResult::Error;
    }
    const UsbResult checked =
        PollCheck(kInterfaceClassIn, kCheckClearStatus, interfaceNumber, deadline);
    if (checked != UsbResult::Ok) {
        return checked;
    }
    // The device halts Bulk-OUT as part of the clear.
    return transport_.ClearHalt(transport_.BulkOutEndpoint());
}

// Ok when the device started the abort. FAILED or TRANSFER_NOT_IN_PROGRESS
// means nothing to abort, and no CHECK may follow.
UsbResult TransferAbort::Initiate(std::uint8_t request, std::uint8_t tag, std::uint8_t endpoint,
                                  const Deadline& deadline) {
    const Reply reply =
        ClassRequest(kEndpointClassIn, request, tag, endpoint, kInitiateAbortLength, deadline);
    if (reply.result != UsbResult::Ok) {
        return reply.result;
    }
    return reply.status == kStatusSuccess ? UsbResult::Ok : UsbResult::Error;
}

TransferAbort::Reply TransferAbort::ClassRequest(std::uint8_t requestType, std::uint8_t request,
                                                 std::uint16_t value, std::uint16_t index,
                                                 std::uint16_t length, const Deadline& deadline) {
    std::uint8_t data[kCheckAbortLength] = {};
    const TransferOutcome outcome = transport_.ControlIn(requestType, request, value, index, data,
                                                         length, deadline.Remaining());
    Reply reply;
    reply.result = outcome.result;
    if (outcome.result == UsbResult::Ok && outcome.transferred == 0) {
        reply.result = UsbResult::Error;  // no status byte
    }
    reply.status = data[0];
    reply.flags = outcome.transferred >= 2 ? data[1] : 0;
    return reply;
}

// Reads Bulk-IN until the device ends its transfer with a short packet; the
// bytes belong to the abandoned reply and are thrown away.
UsbResult TransferAbort::DrainBulkIn(const Deadline& deadline) {
    const std::size_t size = std::max<std::size_t>(transport_.BulkInMaxPacket(), 1) * kDrainPackets;
    drainBuffer_.resize(size);
    for (int read = 0; read < kMaxDrainReads && !deadline.Expired(); ++read) {
        const TransferOutcome outcome =
            transport_.BulkIn(drainBuffer_.data(), size, deadline.Remaining(kDrainReadTimeout));
        if (outcome.result == UsbResult::Stall) {
            return transport_.ClearHalt(transport_.BulkInEndpoint());
        }
        if (outcome.result != UsbResult::Ok) {
            return outcome.result;
        }
        if (outcome.transferred < size) {
            return UsbResult::Ok;
        }
    }
    return UsbResult::Timeout;
}

UsbResult TransferAbort::PollCheck(std::uint8_t requestType, std::uint8_t request,
                                   std::uint16_t index, const Deadline& deadline) {
    const std::uint16_t length =
        request == kCheckClearStatus ? kCheckClearLength : kCheckAbortLength;
    for (int check = 0; check < kMaxChecks && !deadline.Expired(); ++check) {
        const Reply reply = ClassRequest(requestType, request, 0, index, length, deadline);
        if (reply.result != UsbResult::Ok) {
            return reply.result;
        }
        if (reply.status == kStatusSuccess) {
            return UsbResult::Ok;
        }
        if (reply.status != kStatusPending) {
            return UsbResult::Error;
        }
        const bool drains = request == kCheckAbortBulkInStatus || request == kCheckClearStatus;
        const bool moreToDrain = drains && (reply.flags & kBulkInFifoHasData) != 0;
        if (moreToDrain) {
            const UsbResult drained = DrainBulkIn(deadline);
            if (drained == UsbResult::NoDevice) {
                return drained;
            }
        } else {
            clock_.SleepFor(kCheckInterval);
        }
    }
    return UsbResult::Timeout;
}

}  // namespace zvisa::usbtmc
