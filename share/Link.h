#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "InstrumentLink.h"
#include "share/NetAddress.h"
#include "vxi11/Vxi11Protocol.h"

// One VXI-11 link: a VISA session of its own on one meter, as two VISA sessions share a meter.
// The connection that made it calls its operations one at a time; Terminate() may come from any
// thread (the abort channel, a vanished client) and ends the call in progress with the abort
// error through viTerminate, leaving the link usable.
class Link {
public:
    // Opens a session on `resource`; Error() says whether it worked.
    Link(std::int32_t lid, std::string device, std::string resource, NetAddress client,
         ViSession resourceManager);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // kErrNone once the session is open, kErrNotAccessible otherwise.
    std::int32_t OpenError() const { return openError_; }
    std::int32_t Id() const { return lid_; }
    const std::string& Device() const { return device_; }
    const std::string& Resource() const { return resource_; }
    const NetAddress& Client() const { return client_; }

    zvisa::vxi11::DeviceWriteResp Write(const zvisa::vxi11::DeviceWriteParms& parms);
    zvisa::vxi11::DeviceReadResp Read(const zvisa::vxi11::DeviceReadParms& parms);
    zvisa::vxi11::DeviceReadStbResp ReadStb(const zvisa::vxi11::DeviceGenericParms& parms);
    std::int32_t Trigger(const zvisa::vxi11::DeviceGenericParms& parms);
    std::int32_t Clear(const zvisa::vxi11::DeviceGenericParms& parms);
    // Remote and local: a USB meter without REN control is always in remote.
    std::int32_t RemoteOrLocal(const zvisa::vxi11::DeviceGenericParms& parms, bool remote);
    std::int32_t Lock(std::uint32_t flags, std::uint32_t lockTimeout);
    std::int32_t Unlock();
    void Terminate();

private:
    // Runs `operation` once, and while another link's lock keeps it out, again until the lock
    // timeout when the flags say waitlock.
    template <typename Operation>
    ViStatus WaitingForLock(std::uint32_t flags, std::uint32_t lockTimeout, Operation operation);
    ViStatus SetTimeout(std::uint32_t ioTimeout);
    ViStatus SetTermChar(bool enabled, std::uint8_t termChar);
    ViStatus FlushWrite();
    ViStatus ReadAhead(const zvisa::vxi11::DeviceReadParms& parms);
    void DropMessages();

    std::int32_t lid_;
    std::string device_;
    std::string resource_;
    NetAddress client_;
    ViSession session_ = VI_NULL;
    std::int32_t openError_ = zvisa::vxi11::kErrNone;
    bool locked_ = false;
    std::atomic<bool> terminated_{false};

    // The session's attributes as last set, so a call sets only what changed.
    std::uint32_t ioTimeout_ = 0;
    bool timeoutSet_ = false;
    bool termCharEnabled_ = false;
    std::uint8_t termChar_ = '\n';

    // A message written without END yet: joined until the write that carries END.
    std::vector<std::uint8_t> unended_;
    // What the meter sent and the client has not read yet, and how the meter's read ended.
    std::vector<std::uint8_t> readAhead_;
    std::size_t readAheadOffset_ = 0;
    ViStatus readAheadStatus_ = VI_SUCCESS;
};
