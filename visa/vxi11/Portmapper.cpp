#include "vxi11/Portmapper.h"

namespace zvisa::vxi11 {

void Encode(XdrWriter& out, const Mapping& mapping) {
    out.PutUint32(mapping.program);
    out.PutUint32(mapping.version);
    out.PutUint32(mapping.protocol);
    out.PutUint32(mapping.port);
}

bool Decode(XdrReader& in, Mapping& mapping) {
    mapping.program = in.GetUint32();
    mapping.version = in.GetUint32();
    mapping.protocol = in.GetUint32();
    mapping.port = in.GetUint32();
    return in.Ok();
}

void EncodeDumpReply(XdrWriter& out, const std::vector<Mapping>& mappings) {
    for (const Mapping& mapping : mappings) {
        out.PutBool(true);
        Encode(out, mapping);
    }
    out.PutBool(false);
}

bool DecodeDumpReply(XdrReader& in, std::vector<Mapping>& mappings, std::size_t maxEntries) {
    mappings.clear();
    while (in.GetBool()) {
        if (mappings.size() == maxEntries) {
            return false;
        }
        Mapping mapping;
        if (!Decode(in, mapping)) {
            return false;
        }
        mappings.push_back(mapping);
    }
    return in.Ok();
}

}  // namespace zvisa::vxi11
