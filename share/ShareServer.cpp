#include "share/ShareServer.h"

#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "share/AbortChannel.h"
#include "share/GatewayName.h"
#include "share/RpcbindClient.h"
#include "share/ShareLog.h"
#include "share/SocketIo.h"
#include "vxi11/Vxi11Protocol.h"

using namespace zvisa::vxi11;

namespace {

// What create_link announces: the biggest write the server takes in one device_write. Clients
// read in pieces of this size too. A sane size, not 0xFFFFFFFF, which some clients mis-size.
constexpr std::uint32_t kMaxRecvSize = 64 * 1024;
// Room in a core record for the call header and device_write's other arguments.
constexpr std::size_t kCallOverhead = 1024;
// Portmapper and abort calls are small.
constexpr std::size_t kMaxSmallRecord = 4096;
constexpr std::size_t kMaxDatagram = 8192;
constexpr auto kMonitorInterval = std::chrono::milliseconds(100);

std::string ChannelName(int channel) {
    static const char* const kNames[] = {"core", "abort", "portmapper"};
    return kNames[channel];
}

}  // namespace

ShareServer::ShareServer(ShareConfig config, InstrumentLink& visa)
    : config_(std::move(config)),
      visa_(visa),
      links_(config_.maxLinks, config_.maxLinksPerClient) {}

ShareServer::~ShareServer() {
    Stop();
}

ShareServer::StartResult ShareServer::Start(std::string& error) {
    if (visa_.OpenDefaultRM(&resourceManager_) < VI_SUCCESS) {
        error = "the VISA library's resource manager could not be opened";
        return StartResult::kVisaFailed;
    }
    registry_ = std::make_unique<MeterRegistry>(visa_, resourceManager_, config_.expression);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = SystemError("pipe");
        return StartResult::kListenFailed;
    }
    wakeRead_.Reset(pipeFds[0]);
    wakeWrite_.Reset(pipeFds[1]);
    if (!ListenOnAll(Channel::kCore, 0, error) || !ListenOnAll(Channel::kAbort, 0, error)) {
        return StartResult::kListenFailed;
    }
    coreContext_.reset(
        new CoreContext{*registry_, links_, resourceManager_, abortPort_, kMaxRecvSize});
    mappings_ = {{kCoreProgram, kVxi11Version, kIpProtoTcp, corePort_},
                 {kAbortProgram, kVxi11Version, kIpProtoTcp, abortPort_}};
    if (config_.portmapper) {
        StartResult result = StartPortmapper(error);
        if (result != StartResult::kStarted) {
            return result;
        }
    }
    LogMeters();
    started_ = true;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    if (udp_.Valid()) {
        udpThread_ = std::thread([this] { UdpLoop(); });
    }
    monitorThread_ = std::thread([this] { MonitorLoop(); });
    return StartResult::kStarted;
}

bool ShareServer::ListenOnAll(Channel channel, std::uint16_t port, std::string& error) {
    for (NetAddress address : config_.listen) {
        address.SetPort(port);
        UniqueFd fd = ListenTcp(address, error);
        if (!fd.Valid()) {
            error = ChannelName(static_cast<int>(channel)) + " channel: " + error;
            return false;
        }
        // The first address's port, chosen by the system, is every address's port.
        port = LocalAddress(fd.Get()).Port();
        listeners_.push_back({std::move(fd), channel});
    }
    if (channel == Channel::kPortmapper) {
        return true;
    }
    (channel == Channel::kCore ? corePort_ : abortPort_) = port;
    ShareLog(ChannelName(static_cast<int>(channel)) + " channel on TCP port " +
             std::to_string(port));
    return true;
}

ShareServer::StartResult ShareServer::StartPortmapper(std::string& error) {
    RpcbindClient rpcbind(config_.portmapperPort);
    if (rpcbind.Reachable()) {
        return RegisterWithRpcbind(error) ? StartResult::kStarted : StartResult::kPortmapperFailed;
    }
    if (!ListenOnAll(Channel::kPortmapper, config_.portmapperPort, error)) {
        return StartResult::kPortmapperFailed;
    }
    // The wildcard address, since a socket bound to a unicast address never sees broadcasts;
    // datagrams are filtered by where they arrived.
    udp_ = BindUdp(*NetAddress::Parse("0.0.0.0", config_.portmapperPort), error);
    if (!udp_.Valid()) {
        error = "portmapper: " + error;
        return StartResult::kPortmapperFailed;
    }
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) == 0) {
        for (ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
            if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) {
                continue;
            }
            NetAddress local = NetAddress::FromSockaddr(i->ifa_addr, sizeof(sockaddr_in));
            for (const NetAddress& listen : config_.listen) {
                if (listen.SameHost(local)) {
                    listenInterfaces_.insert(static_cast<int>(::if_nametoindex(i->ifa_name)));
                }
            }
        }
        ::freeifaddrs(interfaces);
    }
    mappings_.push_back(
        {kPortmapperProgram, kPortmapperVersion, kIpProtoTcp, config_.portmapperPort});
    mappings_.push_back(
        {kPortmapperProgram, kPortmapperVersion, kIpProtoUdp, config_.portmapperPort});
    udpPortmapper_ = std::make_unique<PortmapperProgram>(mappings_);
    ShareLog("portmapper on TCP and UDP port " + std::to_string(config_.portmapperPort));
    return StartResult::kStarted;
}

bool ShareServer::RegisterWithRpcbind(std::string& error) {
    RpcbindClient rpcbind(config_.portmapperPort);
    for (const Mapping& mapping : mappings_) {
        rpcbind.Unset(mapping);  // a registration left by a server that was killed
        if (rpcbind.Set(mapping) != true) {
            error = "the running rpcbind refused to register program " +
                    std::to_string(mapping.program);
            for (const Mapping& registered : mappings_) {
                rpcbind.Unset(registered);
            }
            return false;
        }
    }
    registeredWithRpcbind_ = true;
    ShareLog("registered with the running rpcbind");
    return true;
}

void ShareServer::LogMeters() {
    std::vector<std::string> meters = registry_->Rescan();
    if (meters.empty()) {
        ShareLog("no meter found yet; one plugged in later is served as it is asked for");
    }
    for (std::size_t n = 0; n < meters.size(); ++n) {
        ShareLog("inst" + std::to_string(n) + ", " + UsbGatewayName(meters[n]).value_or("") + ": " +
                 meters[n]);
    }
}

bool ShareServer::Allowed(const NetAddress& peer) const {
    if (config_.allow.empty()) {
        return true;
    }
    for (const Cidr& cidr : config_.allow) {
        if (cidr.Contains(peer)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<RpcProgram> ShareServer::ProgramFor(Channel channel, const NetAddress& peer) {
    switch (channel) {
        case Channel::kCore:
            return std::make_unique<CoreChannel>(*coreContext_, peer);
        case Channel::kAbort:
            return std::make_unique<AbortChannel>(links_, peer);
        case Channel::kPortmapper:
            break;
    }
    return std::make_unique<PortmapperProgram>(mappings_);
}

void ShareServer::AcceptLoop() {
    std::vector<pollfd> fds;
    for (const Listener& listener : listeners_) {
        fds.push_back({listener.fd.Get(), POLLIN, 0});
    }
    fds.push_back({wakeRead_.Get(), POLLIN, 0});
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds.back().revents != 0) {
            return;
        }
        for (std::size_t i = 0; i < listeners_.size(); ++i) {
            if ((fds[i].revents & POLLIN) != 0) {
                Accept(listeners_[i]);
            }
        }
    }
}

void ShareServer::Accept(const Listener& listener) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    UniqueFd fd(
        ::accept4(listener.fd.Get(), reinterpret_cast<sockaddr*>(&storage), &length, SOCK_CLOEXEC));
    if (!fd.Valid()) {
        return;
    }
    NetAddress peer = NetAddress::FromSockaddr(reinterpret_cast<sockaddr*>(&storage), length);
    if (!Allowed(peer)) {
        return;  // closed at once
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || served_.size() >= config_.maxConnections) {
        return;
    }
    std::size_t maxRecord =
        listener.channel == Channel::kCore ? kMaxRecvSize + kCallOverhead : kMaxSmallRecord;
    auto connection = std::make_shared<RpcConnection>(
        std::move(fd), peer, ProgramFor(listener.channel, peer), maxRecord, config_.idleTimeout);
    served_.push_back({connection, std::thread([connection] { connection->Serve(); })});
}

bool ShareServer::UdpDestinationServed(const in_pktinfo& info) const {
    for (const NetAddress& listen : config_.listen) {
        if (listen.Family() != AF_INET) {
            continue;
        }
        if (listen.IsWildcard() ||
            std::memcmp(listen.Bytes(), &info.ipi_addr, sizeof info.ipi_addr) == 0) {
            return true;
        }
    }
    // A broadcast on the network of a listening address.
    return listenInterfaces_.count(info.ipi_ifindex) != 0;
}

void ShareServer::AnswerDatagram() {
    std::vector<std::uint8_t> datagram(kMaxDatagram);
    sockaddr_storage from{};
    iovec io{datagram.data(), datagram.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n = ::recvmsg(udp_.Get(), &message, MSG_DONTWAIT);
    if (n < 0 || (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) {
        return;
    }
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    if (header == nullptr || header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO) {
        return;
    }
    in_pktinfo info;
    std::memcpy(&info, CMSG_DATA(header), sizeof info);
    NetAddress peer =
        NetAddress::FromSockaddr(reinterpret_cast<sockaddr*>(&from), message.msg_namelen);
    if (!Allowed(peer) || !UdpDestinationServed(info)) {
        return;
    }
    datagram.resize(static_cast<std::size_t>(n));
    std::optional<std::vector<std::uint8_t>> reply = udpPortmapper_->Answer(datagram);
    if (!reply) {
        return;
    }
    // Answered from the address it came to, or the interface's own for a broadcast.
    in_pktinfo source{};
    source.ipi_spec_dst = info.ipi_spec_dst;
    std::memcpy(CMSG_DATA(header), &source, sizeof source);
    io = {reply->data(), reply->size()};
    message.msg_controllen = CMSG_SPACE(sizeof(in_pktinfo));
    message.msg_flags = 0;
    ::sendmsg(udp_.Get(), &message, MSG_DONTWAIT | MSG_NOSIGNAL);
}

void ShareServer::UdpLoop() {
    pollfd fds[] = {{udp_.Get(), POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            AnswerDatagram();
        }
    }
}

void ShareServer::JoinEnded() {
    std::list<Served> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = served_.begin(); it != served_.end();) {
            if (it->connection->Done()) {
                ended.splice(ended.end(), served_, it++);
            } else {
                (it++)->connection->InterruptIfPeerGone();
            }
        }
    }
    for (Served& served : ended) {
        served.thread.join();
    }
}

void ShareServer::MonitorLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        stopSignal_.wait_for(lock, kMonitorInterval);
        lock.unlock();
        JoinEnded();
        lock.lock();
    }
}

void ShareServer::Stop() {
    if (!started_) {
        if (resourceManager_ != VI_NULL) {
            visa_.Close(resourceManager_);
            resourceManager_ = VI_NULL;
        }
        return;
    }
    started_ = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    const char wake = 1;
    [[maybe_unused]] ssize_t written = ::write(wakeWrite_.Get(), &wake, 1);
    acceptThread_.join();
    if (udpThread_.joinable()) {
        udpThread_.join();
    }
    monitorThread_.join();
    for (Served& served : served_) {
        served.connection->Shutdown();
    }
    for (Served& served : served_) {
        served.thread.join();
    }
    served_.clear();
    if (registeredWithRpcbind_) {
        RpcbindClient rpcbind(config_.portmapperPort);
        for (const Mapping& mapping : mappings_) {
            rpcbind.Unset(mapping);
        }
        registeredWithRpcbind_ = false;
    }
    listeners_.clear();
    udp_.Reset();
    visa_.Close(resourceManager_);
    resourceManager_ = VI_NULL;
}
