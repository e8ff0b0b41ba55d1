#pragma once

#include <cstdint>
#include <vector>

#include "vxi11/XdrReader.h"
#include "vxi11/XdrWriter.h"

// The portmapper, version 2 (RFC 1833): program 100000 on port 111, TCP and UDP. GETPORT tells a
// client the port of a program; SET and UNSET register and remove one; DUMP lists them all.
namespace zvisa::vxi11 {

constexpr std::uint32_t kPortmapperProgram = 100000;
constexpr std::uint32_t kPortmapperVersion = 2;
constexpr std::uint16_t kPortmapperPort = 111;

enum PortmapperProc : std::uint32_t {
    kPmapNull = 0,
    kPmapSet = 1,
    kPmapUnset = 2,
    kPmapGetPort = 3,
    kPmapDump = 4,
};

// Mapping.prot
constexpr std::uint32_t kIpProtoTcp = 6;
constexpr std::uint32_t kIpProtoUdp = 17;

// The argument of SET, UNSET and GETPORT, and an entry of DUMP's list.
struct Mapping {
    std::uint32_t program = 0;
    std::uint32_t version = 0;
    std::uint32_t protocol = 0;
    std::uint32_t port = 0;

    bool operator==(const Mapping& other) const {
        return program == other.program && version == other.version && protocol == other.protocol &&
               port == other.port;
    }
};

void Encode(XdrWriter& out, const Mapping& mapping);
bool Decode(XdrReader& in, Mapping& mapping);

// DUMP's reply: a linked list, each entry after a "more" boolean.
void EncodeDumpReply(XdrWriter& out, const std::vector<Mapping>& mappings);
// False when the list is cut short or longer than `maxEntries`.
bool DecodeDumpReply(XdrReader& in, std::vector<Mapping>& mappings, std::size_t maxEntries);

}  // namespace zvisa::vxi11
