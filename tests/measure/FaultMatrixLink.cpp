#include "FaultMatrixLink.h"

#include <algorithm>

FaultMatrixLink::FaultMatrixLink(Journal& journal, Fault fault)
    : FakeMeterLink(journal), journal_(journal), fault_(fault) {}

bool FaultMatrixLink::IsFaulty(Call call) {
    const bool faulty = call == fault_.call && calls_[call] == fault_.occurrence;
    ++calls_[call];
    faultInjected = faultInjected || faulty;
    return faulty;
}

ViStatus FaultMatrixLink::FaultStatus(ViStatus failure) const {
    return fault_.mode == Mode::kFails ? failure : VI_ERROR_TMO;
}

ViStatus FaultMatrixLink::OpenDefaultRM(ViSession* rm) {
    if (IsFaulty(Call::kOpenDefaultRM)) {
        openRmStatus = FaultStatus(VI_ERROR_SYSTEM_ERROR);
    }
    const ViStatus status = FakeMeterLink::OpenDefaultRM(rm);
    if (status >= VI_SUCCESS) {
        opened.push_back(*rm);
    }
    openRmStatus = VI_SUCCESS;
    return status;
}

ViStatus FaultMatrixLink::FindRsrc(ViSession rm, const char* expression,
                                   ViChar descriptorOut[VI_FIND_BUFLEN]) {
    if (IsFaulty(Call::kFindRsrc)) {
        findStatus = FaultStatus(VI_ERROR_RSRC_NFOUND);
    }
    const ViStatus status = FakeMeterLink::FindRsrc(rm, expression, descriptorOut);
    findStatus = VI_SUCCESS;
    return status;
}

ViStatus FaultMatrixLink::Open(ViSession rm, const char* descriptorIn, ViSession* instr) {
    if (IsFaulty(Call::kOpen)) {
        openStatus = FaultStatus(VI_ERROR_RSRC_BUSY);
    }
    const ViStatus status = FakeMeterLink::Open(rm, descriptorIn, instr);
    if (status >= VI_SUCCESS) {
        opened.push_back(*instr);
    }
    openStatus = VI_SUCCESS;
    return status;
}

ViStatus FaultMatrixLink::SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    const ViStatus status = FakeMeterLink::SetAttribute(vi, attribute, value);
    return IsFaulty(Call::kSetAttribute) ? FaultStatus(VI_ERROR_NSUP_ATTR) : status;
}

// Only the bytes that got through reach the meter, and it does not answer
// half a command.
ViStatus FaultMatrixLink::Write(ViSession instr, const ViByte* data, ViUInt32 count,
                                ViUInt32* retCount) {
    if (!IsFaulty(Call::kWrite)) {
        return FakeMeterLink::Write(instr, data, count, retCount);
    }
    const ViUInt32 through = fault_.mode == Mode::kTimesOutPartway ? count / 2 : 0;
    FakeMeterLink::Write(instr, data, through, retCount);
    return FaultStatus(VI_ERROR_IO);
}

// The bytes past the reported count are still written, as a real library may
// leave them: only the count says what arrived.
ViStatus FaultMatrixLink::Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount) {
    const ViStatus status = FakeMeterLink::Read(instr, data, count, retCount);
    if (!IsFaulty(Call::kRead)) {
        return status;
    }
    *retCount = fault_.mode == Mode::kTimesOutPartway ? std::min(*retCount, count) / 2 : 0;
    journal_.push_back("Read went wrong after " + std::to_string(*retCount));
    return FaultStatus(VI_ERROR_IO);
}

// A close that reports an error still ends the session, as viClose does.
ViStatus FaultMatrixLink::Close(ViObject vi) {
    closed.push_back(vi);
    const ViStatus status = FakeMeterLink::Close(vi);
    return IsFaulty(Call::kClose) ? FaultStatus(VI_ERROR_CLOSING_FAILED) : status;
}
