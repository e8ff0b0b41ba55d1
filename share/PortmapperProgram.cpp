#include "share/PortmapperProgram.h"

using namespace zvisa::vxi11;

PortmapperProgram::PortmapperProgram(std::vector<Mapping> mappings)
    : RpcProgram(kPortmapperProgram, kPortmapperVersion), mappings_(std::move(mappings)) {}

AcceptStat PortmapperProgram::Call(std::uint32_t procedure, XdrReader& args, XdrWriter& results) {
    Mapping asked;
    switch (procedure) {
        case kPmapNull:
            return kSuccess;
        case kPmapSet:
        case kPmapUnset:
            if (!Decode(args, asked)) {
                return kGarbageArgs;
            }
            results.PutBool(false);
            return kSuccess;
        case kPmapGetPort: {
            if (!Decode(args, asked)) {
                return kGarbageArgs;
            }
            std::uint32_t port = 0;
            for (const Mapping& mapping : mappings_) {
                if (mapping.program == asked.program && mapping.version == asked.version &&
                    mapping.protocol == asked.protocol) {
                    port = mapping.port;
                }
            }
            results.PutUint32(port);
            return kSuccess;
        }
        case kPmapDump:
            EncodeDumpReply(results, mappings_);
            return kSuccess;
        default:
            return kProcUnavail;
    }
}
