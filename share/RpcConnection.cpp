#include "share/RpcConnection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "share/SocketIo.h"

namespace {

constexpr std::size_t kReceiveChunk = 64 * 1024;
// A client that takes no reply bytes for this long has gone.
constexpr std::chrono::milliseconds kSendTimeout(10000);

}  // namespace

RpcConnection::RpcConnection(UniqueFd fd, NetAddress peer, std::unique_ptr<RpcProgram> program,
                             std::size_t maxRecord, std::chrono::milliseconds idleTimeout)
    : fd_(std::move(fd)),
      peer_(peer),
      program_(std::move(program)),
      assembler_(maxRecord),
      idleTimeout_(idleTimeout) {}

void RpcConnection::Serve() {
    std::string why = ServeRecords();
    program_->Closed(shutdown_ ? "server stopping" : why);
    done_ = true;
}

bool RpcConnection::Answer(const std::vector<std::uint8_t>& record) {
    inCall_ = true;
    std::optional<std::vector<std::uint8_t>> reply = program_->Answer(record);
    inCall_ = false;
    return reply && SendAll(fd_.Get(), zvisa::vxi11::FrameRecord(*reply), kSendTimeout);
}

std::string RpcConnection::ServeRecords() {
    std::vector<std::uint8_t> chunk(kReceiveChunk);
    while (!shutdown_) {
        pollfd pfd{fd_.Get(), POLLIN, 0};
        int ready = ::poll(&pfd, 1, static_cast<int>(idleTimeout_.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            return "idle";
        }
        ssize_t n = ::recv(fd_.Get(), chunk.data(), chunk.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return "client gone";
        }
        if (!assembler_.Feed(chunk.data(), static_cast<std::size_t>(n))) {
            return "record too long";
        }
        while (auto record = assembler_.NextRecord()) {
            if (!Answer(*record)) {
                return shutdown_ ? "server stopping" : "client gone or no call";
            }
        }
    }
    return "server stopping";
}

void RpcConnection::Shutdown() {
    shutdown_ = true;
    ::shutdown(fd_.Get(), SHUT_RDWR);
    program_->Interrupt();
}

void RpcConnection::InterruptIfPeerGone() {
    if (!inCall_) {
        return;
    }
    pollfd pfd{fd_.Get(), POLLRDHUP, 0};
    if (::poll(&pfd, 1, 0) == 1 && (pfd.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
        program_->Interrupt();
    }
}
