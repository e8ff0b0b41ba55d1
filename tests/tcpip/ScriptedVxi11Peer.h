#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A VXI-11 server on 127.0.0.1 that plays a script: a portmapper that names its core channel, a
// core channel that answers each call with the reply the script holds for it, and an abort
// channel. Replies are written word by word from the protocol's message layouts, not with the
// library's encoders, so the client is not checked against itself. Every wait is bounded.
class ScriptedVxi11Peer {
public:
    enum class Action {
        kReply,            // send `body` as the accepted reply
        kLink,             // create_link: error 0, lid 1, the abort port, maxRecvSize `body`
        kMute,             // never answer; keep the connection open
        kReplyAfterAbort,  // answer with `body` once device_abort arrived
        kCloseMidReply,    // send half a reply record, then close: a server killed mid-read
    };
    struct Step {
        std::uint32_t procedure;
        Action action;
        std::vector<std::uint8_t> body;
    };
    // One call that arrived on the core channel: its procedure and argument words.
    struct Call {
        std::uint32_t procedure = 0;
        std::vector<std::uint32_t> words;
    };

    // `portmapperPort` 0: any free port. A portmapper answering `getPortReply` instead of the
    // core port, when given.
    explicit ScriptedVxi11Peer(std::vector<Step> script, std::uint16_t portmapperPort = 0,
                               int getPortReply = -1);
    ~ScriptedVxi11Peer();
    ScriptedVxi11Peer(const ScriptedVxi11Peer&) = delete;
    ScriptedVxi11Peer& operator=(const ScriptedVxi11Peer&) = delete;

    std::uint16_t PortmapperPort() const { return portmapperPort_; }
    // The core-channel calls so far, waiting up to a second for `count` of them.
    std::vector<Call> Calls(std::size_t count = 0);
    bool AbortArrived();

    // Body helpers: XDR words and opaque data, by hand.
    static std::vector<std::uint8_t> Words(std::initializer_list<std::uint32_t> words);
    static std::vector<std::uint8_t> ReadReply(std::uint32_t error, std::uint32_t reason,
                                               const std::string& data);

private:
    void ServePortmapper();
    void ServeCore();
    void ServeAbort();
    bool PlayStep(int fd, const Step& step, std::uint32_t xid);

    std::vector<Step> script_;
    int getPortReply_;
    int portmapperListener_ = -1;
    int coreListener_ = -1;
    int abortListener_ = -1;
    std::uint16_t portmapperPort_ = 0;
    std::uint16_t corePort_ = 0;
    std::uint16_t abortPort_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
    bool abortArrived_ = false;
    std::vector<std::thread> threads_;
};

// A loopback port where nothing listens.
std::uint16_t ClosedPort();
