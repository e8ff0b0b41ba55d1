#pragma once

#include <string>
#include <vector>

#include "visa.h"

// The meters this program drives: vendor 0x7A5E, products 0x0C46 and 0x0C47.
inline constexpr const char* kMeterResourceExpression = "USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR";

// Whether `resource` names a meter on the network (TCPIP...), in any case.
// Such a meter is opened by its name: no find list would hold it.
bool IsNetworkResource(const std::string& resource);

// The VISA calls a measurement needs, one method each. A default link
// forwards to the linked VISA library; tests derive from it to script a meter.
// Every method returns the VISA status and never throws.
class InstrumentLink {
public:
    InstrumentLink() = default;
    // A link to the meter named `resource`: FindRsrc finds it among the
    // matches instead of the first one. Names compare as VISA's do, without
    // regard to case. A network name is handed on as it is, unlooked-up.
    explicit InstrumentLink(std::string resource) : resource_(std::move(resource)) {}
    virtual ~InstrumentLink() = default;

    virtual ViStatus OpenDefaultRM(ViSession* rm);
    // Writes the first matching resource, or the one the link was made for,
    // into `descriptor`; the find list and the match count are not passed on.
    virtual ViStatus FindRsrc(ViSession rm, const char* expression,
                              ViChar descriptor[VI_FIND_BUFLEN]);
    // Every matching resource in the library's order (viFindRsrc, then
    // viFindNext for each further match); the find list is closed again.
    virtual ViStatus FindAll(ViSession rm, const char* expression,
                             std::vector<std::string>& resources);
    virtual ViStatus Open(ViSession rm, const char* descriptor, ViSession* instr);
    virtual ViStatus SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
    virtual ViStatus Write(ViSession instr, const ViByte* data, ViUInt32 count, ViUInt32* retCount);
    virtual ViStatus Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount);
    virtual ViStatus Close(ViObject vi);

private:
    ViStatus FindNamed(ViSession rm, const char* expression, ViChar descriptor[VI_FIND_BUFLEN]);

    std::string resource_;  // empty: the first match
};
