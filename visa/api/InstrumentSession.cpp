#include "api/InstrumentSession.h"

namespace zvisa {

bool IsValidFlushMask(ViUInt16 mask) {
    constexpr ViUInt16 kKnownFlushBits = 0xFF;
    const auto both = [mask](ViUInt16 flush, ViUInt16 discard) {
        return (mask & flush) != 0 && (mask & discard) != 0;
    };
    return mask != 0 && (mask & ~kKnownFlushBits) == 0 && !both(VI_READ_BUF, VI_READ_BUF_DISCARD) &&
           !both(VI_WRITE_BUF, VI_WRITE_BUF_DISCARD) && !both(VI_IO_IN_BUF, VI_IO_IN_BUF_DISCARD) &&
           !both(VI_IO_OUT_BUF, VI_IO_OUT_BUF_DISCARD);
}

}  // namespace zvisa
