#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "share/NetAddress.h"
#include "share/RpcProgram.h"
#include "share/UniqueFd.h"
#include "vxi11/RecordMarking.h"

// One client's TCP connection to an RPC program, served on a thread of its own: records in,
// replies out, one call at a time, as VXI-11 and portmapper clients send them. It ends when the
// client closes, sends a record too big or no call at all, stays silent past the idle timeout,
// or Shutdown() is called; a call in progress is interrupted when the client hangs up.
class RpcConnection {
public:
    RpcConnection(UniqueFd fd, NetAddress peer, std::unique_ptr<RpcProgram> program,
                  std::size_t maxRecord, std::chrono::milliseconds idleTimeout);

    // Serves until the connection ends, then tells the program why.
    void Serve();
    // From another thread: ends the connection and the call in progress.
    void Shutdown();
    // From another thread: interrupts the call in progress when the client has hung up.
    void InterruptIfPeerGone();
    bool Done() const { return done_; }

private:
    // Why the connection ended.
    std::string ServeRecords();
    bool Answer(const std::vector<std::uint8_t>& record);

    UniqueFd fd_;
    NetAddress peer_;
    std::unique_ptr<RpcProgram> program_;
    zvisa::vxi11::RecordAssembler assembler_;
    std::chrono::milliseconds idleTimeout_;
    std::atomic<bool> inCall_{false};
    std::atomic<bool> shutdown_{false};
    std::atomic<bool> done_{false};
};
