#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "share/UniqueFd.h"
#include "vxi11/RpcMessage.h"
#include "vxi11/Vxi11Protocol.h"

// A VXI-11 client for the tests, written on the wire layer: each call sends one record and waits
// at most a few seconds for one reply record.
class Vxi11TestClient {
public:
    using Bytes = std::vector<std::uint8_t>;

    bool Connect(std::uint16_t port);
    void Close() { fd_.Reset(); }
    // One record out, the reply record back; none when the server closed or did not answer.
    std::optional<Bytes> Exchange(const Bytes& payload);
    // Bytes out as they are, unframed.
    bool SendRaw(const Bytes& bytes);
    std::optional<Bytes> Receive();
    // A call's reply header and, on success, a reader at the results (in `body`).
    std::optional<zvisa::vxi11::ReplyHeader> Call(std::uint32_t program, std::uint32_t procedure,
                                                  const Bytes& args, Bytes& body,
                                                  std::uint32_t version = 1);

    zvisa::vxi11::CreateLinkResp CreateLink(const std::string& device, bool lock = false,
                                            std::uint32_t lockTimeout = 0);
    zvisa::vxi11::DeviceWriteResp Write(std::int32_t lid, const std::string& data,
                                        std::uint32_t flags = zvisa::vxi11::kFlagEnd,
                                        std::uint32_t lockTimeout = 0);
    zvisa::vxi11::DeviceReadResp Read(std::int32_t lid, std::uint32_t requestSize,
                                      std::uint32_t flags = 0, std::uint8_t termChar = 0,
                                      std::uint32_t ioTimeout = 5000);
    std::int32_t Lock(std::int32_t lid, std::uint32_t flags, std::uint32_t lockTimeout);
    // A call whose reply is an error code alone, on the core channel or (program) another.
    std::int32_t ErrorCall(std::uint32_t procedure, const Bytes& args,
                           std::uint32_t program = zvisa::vxi11::kCoreProgram);
    static Bytes LinkIdArgs(std::int32_t lid);

private:
    UniqueFd fd_;
    std::uint32_t xid_ = 1;
};
