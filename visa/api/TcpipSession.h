#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "api/CallStop.h"
#include "api/InstrumentSession.h"
#include "api/SessionAttributes.h"
#include "base/ResourceName.h"
#include "tcpip/Vxi11Link.h"

namespace zvisa {

// One viOpen of a TCPIP INSTR resource: a VXI-11 link of its own to the device, so the server
// keeps its locks apart from every other session's, in this process or another. The session's
// timeout is the link's io_timeout; viLock is device_lock. Calls on the session run one at a
// time; a call waits for its turn at most the session's timeout.
class TcpipSession : public InstrumentSession {
public:
    // Creates the link to the resource `name` designates (IsTcpipInstr()), all within the
    // default timeout. VI_ERROR_RSRC_NFOUND when the host or device is not there.
    static ViStatus Open(const ResourceName& name, std::shared_ptr<InstrumentSession>& session);

    ~TcpipSession() override = default;  // destroys the link
    TcpipSession(const TcpipSession&) = delete;
    TcpipSession& operator=(const TcpipSession&) = delete;

    void Terminate() override;
    void Close() override;
    void StopCalls() override;

    IoResult Write(const ViByte* data, ViUInt32 count) override;
    IoResult Read(ViByte* buffer, ViUInt32 count) override;
    ViStatus Clear() override;
    ViStatus ReadStatusByte(ViUInt16& statusByte) override;
    ViStatus AssertTrigger(ViUInt16 protocol) override;
    ViStatus Flush(ViUInt16 mask) override;

    ViStatus Lock(ViAccessMode type, ViUInt32 timeoutMs, const std::string& requestedKey,
                  std::string& accessKey) override;
    ViStatus Unlock() override;

    ViStatus GetAttribute(ViAttr attribute, void* value) const override;
    ViStatus SetAttribute(ViAttr attribute, ViAttrState value) override;

private:
    TcpipSession(std::unique_ptr<tcpip::Vxi11Link> link, const TcpipIdentity& identity);

    // Runs `call(link, stopped)` once the session's turn comes, within `timeoutMs`.
    template <typename Result, typename Call>
    Result OnLink(ViUInt32 timeoutMs, Result refused, Call call);
    // OnLink for a call whose only result is its status.
    template <typename Call>
    ViStatus StatusOnLink(ViUInt32 timeoutMs, Call call);
    ViAccessMode LockState() const;
    ViStatus TakeTurn(const CallStop::Ticket& ticket, ViUInt32 timeoutMs);
    void GiveBackTurn();
    // Lets the call on the link and those waiting for their turn look at their tickets again.
    void WakeStoppedCalls();

    std::unique_ptr<tcpip::Vxi11Link> link_;
    SessionAttributes attributes_;
    CallStop stop_;
    std::mutex turnMutex_;
    std::condition_variable turnChanged_;
    bool busy_ = false;
    // The server's lock, counted here as viLock nests; changed under the turn.
    std::atomic<int> exclusiveLocks_{0};
    std::atomic<int> sharedLocks_{0};
    std::string sharedKey_;
};

}  // namespace zvisa
