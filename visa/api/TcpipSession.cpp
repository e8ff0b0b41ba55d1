#include "api/TcpipSession.h"

#include <chrono>
#include <cstdint>

#include "tcpip/HostAddress.h"

namespace zvisa {

namespace {
constexpr const char* kSharedKeyPrefix = "zvisa-tcpip-";
}

ViStatus TcpipSession::Open(const ResourceName& name, std::shared_ptr<InstrumentSession>& session) {
    const std::string& host = name.Fields()[0];
    const std::string& device = name.Fields()[1];
    auto link = std::make_unique<tcpip::Vxi11Link>();
    const ViStatus opened = link->Open(host, device, SessionAttributes::kDefaultTimeoutMs);
    if (opened != VI_SUCCESS) {
        return opened;
    }
    const TcpipIdentity identity{name.Expanded(), tcpip::DottedAddress(link->Address()), host,
                                 device};
    session.reset(new TcpipSession(std::move(link), identity));
    return VI_SUCCESS;
}

TcpipSession::TcpipSession(std::unique_ptr<tcpip::Vxi11Link> link, const TcpipIdentity& identity)
    : link_(std::move(link)), attributes_(identity) {}

void TcpipSession::Terminate() {
    stop_.Terminate();
    WakeStoppedCalls();
}

// The server gives back this link's lock when the link is destroyed, once the last call
// in progress has let go of the session.
void TcpipSession::Close() {
    stop_.Close();
    WakeStoppedCalls();
}

void TcpipSession::WakeStoppedCalls() {
    link_->Interrupt();
    const std::lock_guard<std::mutex> lock(turnMutex_);
    turnChanged_.notify_all();
}

void TcpipSession::StopCalls() {
    stop_.Close();
}

ViStatus TcpipSession::TakeTurn(const CallStop::Ticket& ticket, ViUInt32 timeoutMs) {
    std::unique_lock<std::mutex> lock(turnMutex_);
    const auto mayGo = [&] { return ticket.Stopped() || !busy_; };
    if (timeoutMs == VI_TMO_INFINITE) {
        turnChanged_.wait(lock, mayGo);
    } else if (!turnChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), mayGo)) {
        return VI_ERROR_TMO;
    }
    if (ticket.Stopped()) {
        return VI_ERROR_ABORT;
    }
    busy_ = true;
    return VI_SUCCESS;
}

void TcpipSession::GiveBackTurn() {
    {
        const std::lock_guard<std::mutex> lock(turnMutex_);
        busy_ = false;
    }
    turnChanged_.notify_all();
}

template <typename Result, typename Call>
Result TcpipSession::OnLink(ViUInt32 timeoutMs, Result refused, Call call) {
    const CallStop::Ticket ticket = stop_.Begin();
    if (const ViStatus status = TakeTurn(ticket, timeoutMs); status != VI_SUCCESS) {
        refused.status = status;
        return refused;
    }
    struct Turn {
        TcpipSession& session;
        ~Turn() { session.GiveBackTurn(); }
    } const turn{*this};
    return call(*link_, [ticket] { return ticket.Stopped(); });
}

namespace {
struct StatusOnly {
    ViStatus status = VI_SUCCESS;
};
}  // namespace

template <typename Call>
ViStatus TcpipSession::StatusOnLink(ViUInt32 timeoutMs, Call call) {
    return OnLink(timeoutMs, StatusOnly{},
                  [&](tcpip::Vxi11Link& link, const auto& stopped) {
                      return StatusOnly{call(link, stopped)};
                  })
        .status;
}

IoResult TcpipSession::Write(const ViByte* data, ViUInt32 count) {
    const ViUInt32 timeoutMs = attributes_.TimeoutMs();
    return OnLink(timeoutMs, IoResult{}, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        const tcpip::LinkIo io = link.Write(data, count, attributes_.SendEnd(), timeoutMs, stopped);
        return IoResult{io.status, io.count};
    });
}

IoResult TcpipSession::Read(ViByte* buffer, ViUInt32 count) {
    const ViUInt32 timeoutMs = attributes_.TimeoutMs();
    const usbtmc::ReadTermination termination = attributes_.Termination();
    return OnLink(timeoutMs, IoResult{}, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        const tcpip::LinkIo io = link.Read(buffer, count, termination.termChar,
                                           termination.suppressEnd, timeoutMs, stopped);
        return IoResult{io.status, io.count};
    });
}

ViStatus TcpipSession::Clear() {
    const ViUInt32 timeoutMs = attributes_.TimeoutMs();
    return StatusOnLink(timeoutMs, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        return link.Clear(timeoutMs, stopped);
    });
}

ViStatus TcpipSession::ReadStatusByte(ViUInt16& statusByte) {
    const ViUInt32 timeoutMs = attributes_.TimeoutMs();
    return StatusOnLink(timeoutMs, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        std::uint8_t stb = 0;
        const ViStatus status = link.ReadStatusByte(stb, timeoutMs, stopped);
        if (status == VI_SUCCESS) {
            statusByte = stb;
        }
        return status;
    });
}

ViStatus TcpipSession::AssertTrigger(ViUInt16 protocol) {
    if (protocol != VI_TRIG_PROT_DEFAULT) {
        return VI_ERROR_INV_PROT;
    }
    const ViUInt32 timeoutMs = attributes_.TimeoutMs();
    return StatusOnLink(timeoutMs, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        return link.Trigger(timeoutMs, stopped);
    });
}

// Reads and writes go straight to the server, so there is no buffer to flush.
ViStatus TcpipSession::Flush(ViUInt16 mask) {
    return IsValidFlushMask(mask) ? VI_SUCCESS : VI_ERROR_INV_MASK;
}

// VXI-11 has one kind of lock: both kinds take it, and nest here.
ViStatus TcpipSession::Lock(ViAccessMode type, ViUInt32 timeoutMs, const std::string& requestedKey,
                            std::string& accessKey) {
    if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) {
        return VI_ERROR_INV_LOCK_TYPE;
    }
    return StatusOnLink(timeoutMs, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        const bool held = exclusiveLocks_ + sharedLocks_ > 0;
        if (!held) {
            if (const ViStatus status = link.Lock(timeoutMs, stopped); status != VI_SUCCESS) {
                return status;
            }
        }
        if (type == VI_EXCLUSIVE_LOCK) {
            return ++exclusiveLocks_ > 1 ? VI_SUCCESS_NESTED_EXCLUSIVE : VI_SUCCESS;
        }
        if (sharedLocks_ == 0) {
            sharedKey_ = !requestedKey.empty()
                             ? requestedKey
                             : kSharedKeyPrefix + std::to_string(reinterpret_cast<uintptr_t>(this));
        }
        accessKey = sharedKey_;
        return ++sharedLocks_ > 1 ? VI_SUCCESS_NESTED_SHARED : VI_SUCCESS;
    });
}

ViStatus TcpipSession::Unlock() {
    const ViUInt32 timeoutMs = attributes_.TimeoutMs();
    return StatusOnLink(timeoutMs, [&](tcpip::Vxi11Link& link, const auto& stopped) {
        if (exclusiveLocks_ + sharedLocks_ == 0) {
            return VI_ERROR_SESN_NLOCKED;
        }
        if (exclusiveLocks_ + sharedLocks_ == 1) {
            if (const ViStatus status = link.Unlock(timeoutMs, stopped);
                status != VI_SUCCESS && status != VI_ERROR_SESN_NLOCKED) {
                return status;
            }
        }
        std::atomic<int>& level = exclusiveLocks_ > 0 ? exclusiveLocks_ : sharedLocks_;
        --level;
        return exclusiveLocks_ > 0 ? VI_SUCCESS_NESTED_EXCLUSIVE
               : sharedLocks_ > 0  ? VI_SUCCESS_NESTED_SHARED
                                   : VI_SUCCESS;
    });
}

ViAccessMode TcpipSession::LockState() const {
    return exclusiveLocks_ > 0 ? VI_EXCLUSIVE_LOCK : sharedLocks_ > 0 ? VI_SHARED_LOCK : VI_NO_LOCK;
}

ViStatus TcpipSession::GetAttribute(ViAttr attribute, void* value) const {
    return attributes_.GetInto(attribute, LockState(), value);
}

ViStatus TcpipSession::SetAttribute(ViAttr attribute, ViAttrState value) {
    return attributes_.Set(attribute, value);
}

}  // namespace zvisa
