#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentLink.h"
#include "share/Cidr.h"
#include "share/CoreChannel.h"
#include "share/LinkTable.h"
#include "share/MeterRegistry.h"
#include "share/NetAddress.h"
#include "share/PortmapperProgram.h"
#include "share/RpcConnection.h"
#include "share/UniqueFd.h"

struct ShareConfig {
    std::vector<NetAddress> listen;  // port 0
    std::vector<Cidr> allow;         // empty: every client
    std::string expression = kMeterResourceExpression;
    std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)};
    bool portmapper = true;  // off in tests that connect to the core port directly
    std::uint16_t portmapperPort = 111;
    std::size_t maxLinks = 256;
    std::size_t maxLinksPerClient = 64;
    std::size_t maxConnections = 512;
};

// The server: listening sockets on every --listen address for the core and abort channels and,
// where no rpcbind runs, the portmapper on TCP and UDP; one thread per client connection, so a
// call blocked on a meter stalls no other client, link or abort; a monitor thread that interrupts
// the call of a client that hung up and joins the threads of connections that ended.
class ShareServer {
public:
    enum class StartResult { kStarted, kVisaFailed, kListenFailed, kPortmapperFailed };

    ShareServer(ShareConfig config, InstrumentLink& visa);
    ~ShareServer();
    ShareServer(const ShareServer&) = delete;
    ShareServer& operator=(const ShareServer&) = delete;

    StartResult Start(std::string& error);
    // Closes every link and connection, and unregisters from rpcbind.
    void Stop();

    std::uint16_t CorePort() const { return corePort_; }
    std::uint16_t AbortPort() const { return abortPort_; }
    std::size_t OpenLinks() const { return links_.Count(); }

private:
    enum class Channel { kCore, kAbort, kPortmapper };
    struct Listener {
        UniqueFd fd;
        Channel channel;
    };
    struct Served {
        std::shared_ptr<RpcConnection> connection;
        std::thread thread;
    };

    bool ListenOnAll(Channel channel, std::uint16_t port, std::string& error);
    StartResult StartPortmapper(std::string& error);
    bool RegisterWithRpcbind(std::string& error);
    void LogMeters();
    bool Allowed(const NetAddress& peer) const;
    bool UdpDestinationServed(const in_pktinfo& info) const;
    std::unique_ptr<RpcProgram> ProgramFor(Channel channel, const NetAddress& peer);
    void AcceptLoop();
    void Accept(const Listener& listener);
    void UdpLoop();
    void AnswerDatagram();
    void MonitorLoop();
    void JoinEnded();

    ShareConfig config_;
    InstrumentLink& visa_;
    ViSession resourceManager_ = VI_NULL;
    std::unique_ptr<MeterRegistry> registry_;
    LinkTable links_;
    std::unique_ptr<CoreContext> coreContext_;
    std::vector<zvisa::vxi11::Mapping> mappings_;
    std::unique_ptr<PortmapperProgram> udpPortmapper_;
    bool registeredWithRpcbind_ = false;
    std::uint16_t corePort_ = 0;
    std::uint16_t abortPort_ = 0;

    std::vector<Listener> listeners_;
    UniqueFd udp_;
    std::set<int> listenInterfaces_;
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
    std::thread acceptThread_;
    std::thread udpThread_;
    std::thread monitorThread_;

    std::mutex mutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    bool started_ = false;
    std::list<Served> served_;
};
