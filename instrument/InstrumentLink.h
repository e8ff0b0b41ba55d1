#pragma once

#include "visa.h"

// The meters this program drives: vendor 0x7A5E, products 0x0C46 and 0x0C47.
inline constexpr const char* kMeterResourceExpression = "USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR";

// The seven VISA calls a measurement needs, one method each. A default link
// forwards to the linked VISA library; tests derive from it to script a meter.
// Every method returns the VISA status and never throws.
class InstrumentLink {
public:
    virtual ~InstrumentLink() = default;

    virtual ViStatus OpenDefaultRM(ViSession* rm);
    // Writes the first matching resource into `descriptor`; the find list and
    // the match count are not passed on.
    virtual ViStatus FindRsrc(ViSession rm, const char* expression,
                              ViChar descriptor[VI_FIND_BUFLEN]);
    virtual ViStatus Open(ViSession rm, const char* descriptor, ViSession* instr);
    virtual ViStatus SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
    virtual ViStatus Write(ViSession instr, const ViByte* data, ViUInt32 count, ViUInt32* retCount);
    virtual ViStatus Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount);
    virtual ViStatus Close(ViObject vi);
};
