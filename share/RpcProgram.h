#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vxi11/RpcMessage.h"

// One ONC RPC program as a server answers it: the call header is checked here (RPC version,
// program, version), the procedures by the program.
class RpcProgram {
public:
    RpcProgram(std::uint32_t program, std::uint32_t version)
        : program_(program), version_(version) {}
    virtual ~RpcProgram() = default;

    // The reply to one record or datagram; none when it is no call at all (the stream is then
    // closed, the datagram dropped).
    std::optional<std::vector<std::uint8_t>> Answer(const std::vector<std::uint8_t>& record);
    // Ends the call in progress, from another thread: its client has gone or the server stops.
    virtual void Interrupt() {}
    // The stream the program answered on has ended, for the reason given.
    virtual void Closed(const std::string& /*why*/) {}

protected:
    // Decodes the arguments and writes the results; kGarbageArgs when the arguments do not
    // decode, kProcUnavail for an unknown procedure.
    virtual zvisa::vxi11::AcceptStat Call(std::uint32_t procedure, zvisa::vxi11::XdrReader& args,
                                          zvisa::vxi11::XdrWriter& results) = 0;

private:
    std::uint32_t program_;
    std::uint32_t version_;
};
