#pragma once

#include <cstdint>
#include <optional>

#include "share/NetAddress.h"
#include "vxi11/Portmapper.h"

// Registers programs with a portmapper (rpcbind) already running on this machine, with
// portmapper version 2 calls over TCP to the loopback address.
class RpcbindClient {
public:
    explicit RpcbindClient(std::uint16_t port);

    // Whether a portmapper answers at all.
    bool Reachable();
    // The portmapper's answer to SET or UNSET; none when it did not answer.
    std::optional<bool> Set(const zvisa::vxi11::Mapping& mapping);
    std::optional<bool> Unset(const zvisa::vxi11::Mapping& mapping);

private:
    std::optional<bool> Call(std::uint32_t procedure, const zvisa::vxi11::Mapping* mapping);

    NetAddress address_;
    std::uint32_t xid_ = 1;
};
