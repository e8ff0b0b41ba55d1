#pragma once

#include <vector>

#include "share/RpcProgram.h"
#include "vxi11/Portmapper.h"

// The portmapper, version 2, where no rpcbind runs: it knows the server's own programs only, so
// SET and UNSET from others are refused. Versions 3 and 4 (rpcbind) get PROG_MISMATCH, which
// makes rpcinfo fall back to version 2.
class PortmapperProgram : public RpcProgram {
public:
    explicit PortmapperProgram(std::vector<zvisa::vxi11::Mapping> mappings);

protected:
    zvisa::vxi11::AcceptStat Call(std::uint32_t procedure, zvisa::vxi11::XdrReader& args,
                                  zvisa::vxi11::XdrWriter& results) override;

private:
    std::vector<zvisa::vxi11::Mapping> mappings_;
};
