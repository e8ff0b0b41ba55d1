// Reads the 200009-byte "DR?" block through the USBTMC exchange from a
// scripted endpoint and prints the USB traffic and host CPU time it takes;
// then times "*idn?" round trips through a session on a shared device.
//   usbtmc_read_bench [reads]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "api/SharedDevice.h"
#include "api/UsbSession.h"
#include "base/UsbTransport.h"
#include "usbtmc/UsbtmcExchange.h"
#include "usbtmc/UsbtmcProtocol.h"

namespace {

using namespace zvisa;
using namespace zvisa::usbtmc;

constexpr std::size_t kBlockLength = 200009;
constexpr std::size_t kReadCount = 210000;
const std::string kIdentityQuery = "*idn?\n";
const std::string kIdentity = "ZORVANE,DMM-BENCH,SN1,1.0\n";

// Answers "*idn?" with an identity and every other query with the block,
// split into transfers of at most `transferLimit` data bytes, with libusb's
// bulk-IN semantics. Counts calls.
class BlockEndpoint : public UsbTransport {
public:
    BlockEndpoint(std::uint16_t maxPacket, std::size_t transferLimit)
        : maxPacket_(maxPacket), transferLimit_(transferLimit), block_(kBlockLength) {
        for (std::size_t i = 0; i < block_.size(); ++i) {
            block_[i] = static_cast<std::uint8_t>(i * 7);
        }
    }

    TransferOutcome BulkOut(const std::uint8_t* data, std::size_t length,
                            std::chrono::milliseconds) override {
        ++bulkOutCalls;
        const std::optional<BulkHeader> request = ParseBulkHeader(data, length);
        if (request && request->msgId == kRequestDevDepMsgIn) {
            ++requests;
            QueueTransfer(*request);
        } else {
            sent_ = 0;
            const auto* text = reinterpret_cast<const char*>(data + kBulkHeaderSize);
            const bool identity = request && request->transferSize == kIdentityQuery.size() &&
                                  std::string(text, request->transferSize) == kIdentityQuery;
            reply_ = identity ? &identity_ : &block_;
        }
        return {UsbResult::Ok, length};
    }

    TransferOutcome BulkIn(std::uint8_t* data, std::size_t length,
                           std::chrono::milliseconds) override {
        ++bulkInCalls;
        std::size_t got = 0;
        while (got < length && !transferDone_) {
            const std::size_t packet =
                std::min<std::size_t>(maxPacket_, image_.size() - kImageSkew - offset_);
            std::copy_n(image_.data() + kImageSkew + offset_, packet, data + got);
            offset_ += packet;
            got += packet;
            transferDone_ = packet < maxPacket_;
            inTransfers += transferDone_ ? 1 : 0;
        }
        return {transferDone_ || got == length ? UsbResult::Ok : UsbResult::Timeout, got};
    }

    TransferOutcome ControlIn(std::uint8_t, std::uint8_t, std::uint16_t, std::uint16_t,
                              std::uint8_t*, std::uint16_t, std::chrono::milliseconds) override {
        return {UsbResult::Error, 0};
    }
    UsbResult ClearHalt(std::uint8_t) override { return UsbResult::Ok; }
    std::uint8_t BulkInEndpoint() const override { return 0x81; }
    std::uint8_t BulkOutEndpoint() const override { return 0x02; }
    std::uint16_t BulkInMaxPacket() const override { return maxPacket_; }
    Clock& TimeSource() override { return Clock::Steady(); }

    void ResetCounts() { requests = bulkOutCalls = bulkInCalls = inTransfers = 0; }

    long requests = 0;
    long bulkOutCalls = 0;
    long bulkInCalls = 0;
    long inTransfers = 0;

private:
    void QueueTransfer(const BulkHeader& request) {
        const std::vector<std::uint8_t>& reply = *reply_;
        const std::size_t size =
            std::min({reply.size() - sent_, std::size_t{request.transferSize}, transferLimit_});
        BulkHeader header;
        header.msgId = kDevDepMsgIn;
        header.bTag = request.bTag;
        header.transferSize = static_cast<std::uint32_t>(size);
        header.attributes = sent_ + size == reply.size() ? kEndOfMessage : 0;
        image_.assign(kImageSkew + PaddedLength(kBulkHeaderSize + size), 0);
        EncodeBulkHeader(header, image_.data() + kImageSkew);
        std::copy_n(reply.data() + sent_, size, image_.data() + kImageSkew + kBulkHeaderSize);
        sent_ += size;
        offset_ = 0;
        transferDone_ = false;
    }

    // Large buffers all start 16 bytes into fresh pages; copying between equal
    // page offsets stalls on 4K aliasing and would time the CPU, not the layer.
    static constexpr std::size_t kImageSkew = 256;

    std::uint16_t maxPacket_;
    std::size_t transferLimit_;
    std::vector<std::uint8_t> block_;
    std::vector<std::uint8_t> identity_{kIdentity.begin(), kIdentity.end()};
    const std::vector<std::uint8_t>* reply_ = &block_;
    std::vector<std::uint8_t> image_;
    std::size_t sent_ = 0;
    std::size_t offset_ = 0;
    bool transferDone_ = true;
};

double CpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

struct Scenario {
    const char* name;
    std::uint16_t maxPacket;
    std::size_t transferLimit;
};

// CPU time of one Read: the layer plus the endpoint's copy of the block into
// packets, as a real host would pay for libusb's copy.
double TimedRead(UsbtmcExchange& exchange, std::vector<std::uint8_t>& buffer, const char* name) {
    constexpr ViUInt32 kTimeoutMs = 7000;
    const std::uint8_t command[] = {'D', 'R', '?', '\n'};
    exchange.Write(command, sizeof command, kTimeoutMs);
    const double start = CpuMicroseconds();
    const usbtmc::IoResult result = exchange.Read(buffer.data(), buffer.size(), kTimeoutMs);
    const double spent = CpuMicroseconds() - start;
    if (result.status != VI_SUCCESS || result.count != kBlockLength) {
        std::printf("%s: read failed (status 0x%08X, %zu bytes)\n", name,
                    static_cast<unsigned>(result.status), result.count);
        std::exit(1);
    }
    return spent;
}

void Run(const Scenario& scenario, int reads) {
    constexpr int kWarmUpReads = 20;
    BlockEndpoint endpoint(scenario.maxPacket, scenario.transferLimit);
    UsbtmcExchange exchange(endpoint);
    std::vector<std::uint8_t> buffer(kReadCount);
    for (int i = 0; i < kWarmUpReads; ++i) {
        TimedRead(exchange, buffer, scenario.name);
    }
    endpoint.ResetCounts();
    std::vector<double> cpu;
    for (int i = 0; i < reads; ++i) {
        cpu.push_back(TimedRead(exchange, buffer, scenario.name));
    }
    std::sort(cpu.begin(), cpu.end());
    const double perRead = reads;
    const long commandWrites = reads;
    std::printf("%-32s %8.2f %8.2f %8.2f %8.2f %10.1f %10.1f\n", scenario.name,
                endpoint.requests / perRead, endpoint.inTransfers / perRead,
                (endpoint.bulkOutCalls - commandWrites + endpoint.inTransfers) / perRead,
                endpoint.bulkInCalls / perRead, cpu[cpu.size() / 2], cpu[cpu.size() * 9 / 10]);
}

// CPU time of "*idn?" written and its reply read through a session on a
// shared device: the lock check, the device's turn, the exchange and the
// endpoint's copies, in batches so the clock's resolution does not count.
void RunIdentityQueries(int batches) {
    constexpr int kQueriesPerBatch = 2000;
    constexpr ViUInt32 kReplyBuffer = 256;
    auto endpoint = std::make_unique<BlockEndpoint>(512, SIZE_MAX);
    BlockEndpoint& counts = *endpoint;
    UsbSession session(std::make_shared<SharedDevice>(std::move(endpoint)),
                       "USB0::0x7A5E::0x0C46::SN1::INSTR");
    std::vector<ViByte> reply(kReplyBuffer);
    const auto query = [&] {
        const auto* command = reinterpret_cast<const ViByte*>(kIdentityQuery.data());
        const zvisa::IoResult written =
            session.Write(command, static_cast<ViUInt32>(kIdentityQuery.size()));
        const zvisa::IoResult read = session.Read(reply.data(), kReplyBuffer);
        if (written.status != VI_SUCCESS || read.status != VI_SUCCESS ||
            read.count != kIdentity.size()) {
            std::printf("*idn? query failed (status 0x%08X)\n", static_cast<unsigned>(read.status));
            std::exit(1);
        }
    };
    for (int i = 0; i < kQueriesPerBatch; ++i) {
        query();
    }
    counts.ResetCounts();
    std::vector<double> perQuery;
    for (int batch = 0; batch < batches; ++batch) {
        const double start = CpuMicroseconds();
        for (int i = 0; i < kQueriesPerBatch; ++i) {
            query();
        }
        perQuery.push_back((CpuMicroseconds() - start) / kQueriesPerBatch);
    }
    std::sort(perQuery.begin(), perQuery.end());
    const double queries = static_cast<double>(batches) * kQueriesPerBatch;
    std::printf("\n\"*idn?\" round trip through a session, %d batches of %d\n", batches,
                kQueriesPerBatch);
    std::printf("%-32s %8s %8s %8s %10s %10s\n", "endpoint", "REQUESTs", "BulkOut()", "BulkIn()",
                "cpu p50 us", "cpu p90 us");
    std::printf("%-32s %8.2f %8.2f %8.2f %10.2f %10.2f\n", "512-byte packets",
                counts.requests / queries, counts.bulkOutCalls / queries,
                counts.bulkInCalls / queries, perQuery[perQuery.size() / 2],
                perQuery[perQuery.size() * 9 / 10]);
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    std::printf("usbtmc_read_bench: one viRead of %zu for a %zu-byte block, %d reads each\n",
                kReadCount, kBlockLength, reads);
    std::printf("%-32s %8s %8s %8s %8s %10s %10s\n", "endpoint", "REQUESTs", "IN xfers", "bulk xfr",
                "BulkIn()", "cpu p50 us", "cpu p90 us");
    const Scenario scenarios[] = {
        {"512-byte packets, one transfer", 512, SIZE_MAX},
        {"64-byte packets, one transfer", 64, SIZE_MAX},
        {"512-byte packets, 64 KiB each", 512, 65536},
    };
    for (const Scenario& scenario : scenarios) {
        Run(scenario, reads);
    }
    constexpr int kIdentityBatches = 20;
    RunIdentityQueries(kIdentityBatches);
    return 0;
}
