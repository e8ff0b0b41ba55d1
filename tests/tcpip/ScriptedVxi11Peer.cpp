#include "ScriptedVxi11Peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

constexpr int kPollMs = 50;
constexpr auto kLongestWait = std::chrono::seconds(5);
constexpr std::uint32_t kLinkId = 1;
constexpr std::uint32_t kDestroyLink = 23;

int Listen(std::uint16_t port, std::uint16_t& bound) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 8) != 0) {
        close(fd);
        return -1;
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    bound = ntohs(address.sin_port);
    return fd;
}

bool Readable(int fd, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, kPollMs) > 0) {
            return true;
        }
    }
    return false;
}

int Accept(int listener, const std::atomic<bool>& stopping) {
    return Readable(listener, stopping) ? accept4(listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
}

bool ReadExactly(int fd, std::uint8_t* data, std::size_t length,
                 const std::atomic<bool>& stopping) {
    for (std::size_t got = 0; got < length;) {
        if (!Readable(fd, stopping)) {
            return false;
        }
        const ssize_t n = recv(fd, data + got, length - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
    const std::uint8_t* p = bytes.data() + 4 * index;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (p[2] << 8) | p[3];
}

// One record of one fragment; the peer's clients send no others.
bool ReadRecord(int fd, std::vector<std::uint8_t>& record, const std::atomic<bool>& stopping) {
    std::uint8_t header[4];
    if (!ReadExactly(fd, header, 4, stopping)) {
        return false;
    }
    const std::uint32_t length = ((std::uint32_t{header[0]} & 0x7F) << 24) | (header[1] << 16) |
                                 (header[2] << 8) | header[3];
    record.resize(length);
    return ReadExactly(fd, record.data(), length, stopping) && length >= 40;
}

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(word >> shift));
    }
}

// Record mark, then xid, REPLY (1), MSG_ACCEPTED (0), verifier AUTH_NONE (0, 0), SUCCESS (0).
std::vector<std::uint8_t> AcceptedReply(std::uint32_t xid, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> out;
    PutWord(out, 0x80000000u | static_cast<std::uint32_t>(24 + body.size()));
    for (const std::uint32_t word : {xid, 1u, 0u, 0u, 0u, 0u}) {
        PutWord(out, word);
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

void Send(int fd, const std::vector<std::uint8_t>& bytes) {
    [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

}  // namespace

std::uint16_t ClosedPort() {
    std::uint16_t port = 0;
    close(Listen(0, port));
    return port;
}

std::vector<std::uint8_t> ScriptedVxi11Peer::Words(std::initializer_list<std::uint32_t> words) {
    std::vector<std::uint8_t> out;
    for (const std::uint32_t word : words) {
        PutWord(out, word);
    }
    return out;
}

// error, reason, opaque data: length, bytes, zero padding to four.
std::vector<std::uint8_t> ScriptedVxi11Peer::ReadReply(std::uint32_t error, std::uint32_t reason,
                                                       const std::string& data) {
    std::vector<std::uint8_t> out = Words({error, reason, static_cast<std::uint32_t>(data.size())});
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + (4 - data.size() % 4) % 4, 0);
    return out;
}

ScriptedVxi11Peer::ScriptedVxi11Peer(std::vector<Step> script, std::uint16_t portmapperPort,
                                     int getPortReply)
    : script_(std::move(script)), getPortReply_(getPortReply) {
    portmapperListener_ = Listen(portmapperPort, portmapperPort_);
    coreListener_ = Listen(0, corePort_);
    abortListener_ = Listen(0, abortPort_);
    threads_.emplace_back([this] { ServePortmapper(); });
    threads_.emplace_back([this] { ServeCore(); });
    threads_.emplace_back([this] { ServeAbort(); });
}

ScriptedVxi11Peer::~ScriptedVxi11Peer() {
    stopping_ = true;
    for (std::thread& thread : threads_) {
        thread.join();
    }
    for (const int fd : {portmapperListener_, coreListener_, abortListener_}) {
        close(fd);
    }
}

std::vector<ScriptedVxi11Peer::Call> ScriptedVxi11Peer::Calls(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(1), [&] { return calls_.size() >= count; });
    return calls_;
}

bool ScriptedVxi11Peer::AbortArrived() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return abortArrived_;
}

// GETPORT (3) gets the core port, each on a connection of its own.
void ScriptedVxi11Peer::ServePortmapper() {
    while (!stopping_) {
        const int fd = Accept(portmapperListener_, stopping_);
        std::vector<std::uint8_t> record;
        if (fd >= 0 && ReadRecord(fd, record, stopping_) && WordAt(record, 5) == 3) {
            const std::uint32_t port =
                getPortReply_ >= 0 ? static_cast<std::uint32_t>(getPortReply_) : corePort_;
            Send(fd, AcceptedReply(WordAt(record, 0), Words({port})));
        }
        if (fd >= 0) {
            close(fd);
        }
    }
}

// Calls are taken in order; after the script, destroy_link is answered and anything else
// ends the connection.
void ScriptedVxi11Peer::ServeCore() {
    const int fd = Accept(coreListener_, stopping_);
    if (fd < 0) {
        return;
    }
    std::size_t next = 0;
    std::vector<std::uint8_t> record;
    while (ReadRecord(fd, record, stopping_)) {
        Call call{WordAt(record, 5), {}};
        for (std::size_t i = 10; i < record.size() / 4; ++i) {
            call.words.push_back(WordAt(record, i));
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
        }
        changed_.notify_all();
        const std::uint32_t xid = WordAt(record, 0);
        if (next < script_.size() && script_[next].procedure == call.procedure) {
            if (!PlayStep(fd, script_[next++], xid)) {
                break;
            }
        } else if (call.procedure == kDestroyLink) {
            Send(fd, AcceptedReply(xid, Words({0})));
        } else {
            break;
        }
    }
    close(fd);
}

bool ScriptedVxi11Peer::PlayStep(int fd, const Step& step, std::uint32_t xid) {
    switch (step.action) {
        case Action::kReply:
            Send(fd, AcceptedReply(xid, step.body));
            return true;
        case Action::kLink: {
            const std::uint32_t maxRecvSize = WordAt(step.body, 0);
            Send(fd, AcceptedReply(xid, Words({0, kLinkId, abortPort_, maxRecvSize})));
            return true;
        }
        case Action::kMute:
            return true;
        case Action::kReplyAfterAbort: {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait_for(lock, kLongestWait, [&] { return abortArrived_ || stopping_; });
            lock.unlock();
            Send(fd, AcceptedReply(xid, step.body));
            return true;
        }
        case Action::kCloseMidReply: {
            std::vector<std::uint8_t> reply = AcceptedReply(xid, step.body);
            reply.resize(reply.size() / 2);
            Send(fd, reply);
            return false;
        }
    }
    return false;
}

// device_abort (1) with the link id: error 0.
void ScriptedVxi11Peer::ServeAbort() {
    const int fd = Accept(abortListener_, stopping_);
    if (fd < 0) {
        return;
    }
    std::vector<std::uint8_t> record;
    while (ReadRecord(fd, record, stopping_)) {
        if (WordAt(record, 5) == 1 && record.size() >= 44 && WordAt(record, 10) == kLinkId) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                abortArrived_ = true;
            }
            changed_.notify_all();
        }
        Send(fd, AcceptedReply(WordAt(record, 0), Words({0})));
    }
    close(fd);
}
