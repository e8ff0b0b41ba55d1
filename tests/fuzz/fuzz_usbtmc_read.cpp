// The USBTMC exchange behind every viWrite and viRead, against a device whose
// every bulk-IN packet, control reply and failure comes from the fuzzer input.
// Besides not crashing it must store no byte past the caller's count or past
// what it reports, finish each call within its timeout plus one abort, and
// once the device is gone fail every later call without touching it.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "base/UsbTransport.h"
#include "base/VirtualClock.h"
#include "usbtmc/UsbtmcExchange.h"
#include "usbtmc/UsbtmcProtocol.h"

namespace {

using namespace zvisa;
using namespace zvisa::usbtmc;
using std::chrono::milliseconds;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The input read front to back in fixed-width fields, so a seed is simply the
// device's answers in the order the host asks (see make_seeds.py).
// Past the end every field reads as zero.
class DeviceScript {
public:
    DeviceScript(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ == size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
    std::size_t Choice(std::size_t options) { return Byte() % options; }
    // Three bytes, little-endian, taken modulo max + 1: a value up to `max` reads as written.
    std::size_t Size(std::size_t max) {
        std::size_t value = 0;
        for (int i = 0; i < 3; ++i) {
            value |= std::size_t{Byte()} << (8 * i);
        }
        return value % (max + 1);
    }
    // At most `max` bytes, as many as are left.
    std::size_t CopyTo(std::uint8_t* out, std::size_t max) {
        const std::size_t size = std::min(max, size_ - pos_);
        std::copy_n(data_ + pos_, size, out);
        pos_ += size;
        return size;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A device driven by the script. Once it reports NoDevice it stays gone, as a
// real handle does after an unplug. Time passes only inside its calls.
class FuzzedTransport : public UsbTransport {
public:
    FuzzedTransport(DeviceScript& script, VirtualClock& clock) : script_(script), clock_(clock) {
        constexpr std::uint16_t kPacketSizes[] = {512, 64, 8, 1, 0};
        maxPacket_ = kPacketSizes[script_.Choice(std::size(kPacketSizes))];
    }

    bool Gone() const { return gone_; }
    int calls = 0;

    TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                            milliseconds timeout) override {
        ++calls;
        const std::optional<BulkHeader> header = ParseBulkHeader(data, length);
        if (header && header->msgId == kRequestDevDepMsgIn) {
            requestTag_ = header->bTag;
        }
        return Outcome(length, timeout);
    }

    // Kind 0: a header with the last REQUEST's tag, then a body; 1: raw bytes;
    // 2: one byte repeated; otherwise a failure as for any call.
    TransferOutcome BulkIn(std::uint8_t* data, std::size_t length, milliseconds timeout) override {
        ++calls;
        if (gone_ || script_.Empty()) {
            return Outcome(0, timeout);
        }
        switch (script_.Choice(4)) {
            case 0:
                return WellFormedHeader(data, length);
            case 1:
                return {UsbResult::Ok, RawBytes(data, length)};
            case 2:
                return {UsbResult::Ok, Filler(data, length)};
            default:
                return Outcome(0, timeout);
        }
    }

    TransferOutcome ControlIn(std::uint8_t, std::uint8_t, std::uint16_t, std::uint16_t,
                              std::uint8_t* data, std::uint16_t length,
                              milliseconds timeout) override {
        ++calls;
        TransferOutcome outcome = Outcome(0, timeout);
        if (outcome.result == UsbResult::Ok) {
            outcome.transferred = RawBytes(data, length);
        }
        return outcome;
    }

    UsbResult ClearHalt(std::uint8_t) override {
        ++calls;
        return Outcome(0, milliseconds{1}).result;
    }

    std::uint8_t BulkInEndpoint() const override { return 0x81; }
    std::uint8_t BulkOutEndpoint() const override { return 0x02; }
    std::uint16_t BulkInMaxPacket() const override { return maxPacket_; }
    Clock& TimeSource() override { return clock_; }

private:
    // Result (Ok, Stall, Timeout, Error, NoDevice), the share of the timeout
    // that passes (0..255), then 0 for an honest count or how many bytes more
    // than moved a faulty driver claims. With the script used up the device
    // only NAKs, so every call still ends.
    TransferOutcome Outcome(std::size_t length, milliseconds timeout) {
        if (gone_) {
            return {UsbResult::NoDevice, 0};
        }
        if (script_.Empty()) {
            clock_.Advance(timeout);
            return {UsbResult::Timeout, 0};
        }
        constexpr UsbResult kResults[] = {UsbResult::Ok, UsbResult::Stall, UsbResult::Timeout,
                                          UsbResult::Error, UsbResult::NoDevice};
        const UsbResult result = kResults[script_.Choice(std::size(kResults))];
        clock_.Advance(timeout * script_.Byte() / 255);
        gone_ = result == UsbResult::NoDevice;
        const std::size_t moved = result == UsbResult::Ok ? length : 0;
        return {result, moved + script_.Byte()};
    }

    // transferSize, bmTransferAttributes, then the body as raw bytes (0) or
    // filler (1).
    TransferOutcome WellFormedHeader(std::uint8_t* data, std::size_t length) {
        if (length < kBulkHeaderSize) {
            return {UsbResult::Ok, RawBytes(data, length)};
        }
        BulkHeader header;
        header.msgId = kDevDepMsgIn;
        header.bTag = requestTag_;
        header.transferSize = static_cast<std::uint32_t>(script_.Size(2 * length));
        header.attributes = script_.Byte();
        EncodeBulkHeader(header, data);
        std::uint8_t* body = data + kBulkHeaderSize;
        const std::size_t room = length - kBulkHeaderSize;
        const std::size_t bodySize =
            script_.Choice(2) == 0 ? RawBytes(body, room) : Filler(body, room);
        return {UsbResult::Ok, kBulkHeaderSize + bodySize};
    }

    // A size, then that many bytes.
    std::size_t RawBytes(std::uint8_t* data, std::size_t length) {
        return script_.CopyTo(data, script_.Size(length));
    }

    // A size and a byte: long transfers without long inputs.
    std::size_t Filler(std::uint8_t* data, std::size_t length) {
        const std::size_t size = script_.Size(length);
        std::memset(data, script_.Byte(), size);
        return size;
    }

    DeviceScript& script_;
    VirtualClock& clock_;
    std::uint16_t maxPacket_ = 512;
    std::uint8_t requestTag_ = 0;
    bool gone_ = false;
};

constexpr std::uint8_t kCanary = 0xCD;
constexpr int kMaxCalls = 6;
// A call that gives up on a transfer may spend one abort's own budget after
// its deadline, and a CHECK poll may overshoot by one interval.
constexpr milliseconds kAbortBudget{2000};
constexpr milliseconds kOvershoot{50};

bool IsReadStatus(ViStatus status) {
    constexpr ViStatus kStatuses[] = {VI_SUCCESS,    VI_SUCCESS_MAX_CNT,     VI_ERROR_TMO,
                                      VI_ERROR_IO,   VI_ERROR_INP_PROT_VIOL, VI_ERROR_CONN_LOST,
                                      VI_ERROR_ALLOC};
    return std::find(std::begin(kStatuses), std::end(kStatuses), status) != std::end(kStatuses);
}

// Per call: the call (0: read, 1: write), the timeout, then its operands.
class Session {
public:
    Session(DeviceScript& script) : script_(script), device_(script, clock_) {}

    bool Done() const { return script_.Empty(); }

    void Step() {
        const bool read = script_.Choice(2) == 0;
        constexpr ViUInt32 kTimeouts[] = {7000, 2000, 10, 1, VI_TMO_IMMEDIATE};
        const ViUInt32 timeout = kTimeouts[script_.Choice(std::size(kTimeouts))];
        const bool wasGone = device_.Gone();
        const int callsBefore = device_.calls;
        const auto start = clock_.Elapsed();

        const IoResult result = read ? Read(timeout) : Write(timeout);

        Require(clock_.Elapsed() - start <= milliseconds{timeout} + kAbortBudget + kOvershoot);
        if (device_.Gone()) {
            Require(result.status == VI_ERROR_CONN_LOST);
        }
        if (wasGone) {
            Require(result.count == 0 && device_.calls == callsBefore);
        }
    }

private:
    IoResult Read(ViUInt32 timeout) {
        // A small count (0), which ends mid-transfer, or one up to a run's
        // receive buffer (1); small ones keep the fuzzer fast.
        constexpr std::size_t kMaxCount = 210000;
        const std::size_t count = script_.Choice(2) == 0 ? script_.Byte() : script_.Size(kMaxCount);
        // Exactly `count` bytes on the heap, so a store past it is an overflow.
        std::vector<std::uint8_t> buffer(count, kCanary);
        const IoResult result = exchange_.Read(buffer.data(), count, timeout);

        Require(IsReadStatus(result.status));
        Require(result.count <= count);
        Require(result.status != VI_SUCCESS_MAX_CNT || result.count == count);
        Require(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(result.count),
                            buffer.end(), [](std::uint8_t b) { return b == kCanary; }));
        return result;
    }

    IoResult Write(ViUInt32 timeout) {
        constexpr std::size_t kMaxMessage = 64;
        std::vector<std::uint8_t> message(script_.Size(kMaxMessage));
        message.resize(script_.CopyTo(message.data(), message.size()));
        const IoResult result = exchange_.Write(message.data(), message.size(), timeout);
        Require(result.count <= message.size());
        return result;
    }

    DeviceScript& script_;
    VirtualClock clock_;
    FuzzedTransport device_;
    UsbtmcExchange exchange_{device_};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DeviceScript script(data, size);
    Session session(script);
    for (int call = 0; call < kMaxCalls && !session.Done(); ++call) {
        session.Step();
    }
    return 0;
}
