#include "InstrumentLink.h"

ViStatus InstrumentLink::OpenDefaultRM(ViSession* rm) {
    return viOpenDefaultRM(rm);
}

ViStatus InstrumentLink::FindRsrc(ViSession rm, const char* expression,
                                  ViChar descriptor[VI_FIND_BUFLEN]) {
    // Some VISA libraries refuse null out-parameters, so both get a home.
    ViFindList findList = VI_NULL;
    ViUInt32 matchCount = 0;
    return viFindRsrc(rm, expression, &findList, &matchCount, descriptor);
}

ViStatus InstrumentLink::Open(ViSession rm, const char* descriptor, ViSession* instr) {
    return viOpen(rm, descriptor, VI_NULL, 0, instr);
}

ViStatus InstrumentLink::SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    return viSetAttribute(vi, attribute, value);
}

ViStatus InstrumentLink::Write(ViSession instr, const ViByte* data, ViUInt32 count,
                               ViUInt32* retCount) {
    return viWrite(instr, data, count, retCount);
}

ViStatus InstrumentLink::Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount) {
    return viRead(instr, data, count, retCount);
}

ViStatus InstrumentLink::Close(ViObject vi) {
    return viClose(vi);
}
