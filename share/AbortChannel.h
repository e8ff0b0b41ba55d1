#pragma once

#include "share/LinkTable.h"
#include "share/NetAddress.h"
#include "share/RpcProgram.h"

// The VXI-11 abort channel of one client connection: device_abort ends the call in progress on a
// link through viTerminate, from this connection's thread while the link's own is blocked in it.
// Only the host that made a link may abort it.
class AbortChannel : public RpcProgram {
public:
    AbortChannel(LinkTable& links, NetAddress peer);

protected:
    zvisa::vxi11::AcceptStat Call(std::uint32_t procedure, zvisa::vxi11::XdrReader& args,
                                  zvisa::vxi11::XdrWriter& results) override;

private:
    LinkTable& links_;
    NetAddress peer_;
};
