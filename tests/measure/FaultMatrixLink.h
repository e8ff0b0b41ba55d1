#pragma once

#include <map>
#include <vector>

#include "FakeMeterLink.h"

// The scripted meter of FakeMeterLink with one VISA call made to go wrong:
// the n-th call of one kind fails, or times out having moved nothing or half
// of its bytes. Also keeps every session it opened and every close, so a test
// can tell a leaked or twice-closed session and the order of the closes.
class FaultMatrixLink : public FakeMeterLink {
public:
    enum class Call { kOpenDefaultRM, kFindRsrc, kOpen, kSetAttribute, kWrite, kRead, kClose };
    enum class Mode {
        kFails,            // a non-timeout error, nothing moved
        kTimesOut,         // VI_ERROR_TMO, nothing moved
        kTimesOutPartway,  // VI_ERROR_TMO after half the bytes (reads and writes)
    };
    struct Fault {
        Call call;
        int occurrence;  // 0: the first call of that kind
        Mode mode;
    };

    FaultMatrixLink(Journal& journal, Fault fault);

    ViStatus OpenDefaultRM(ViSession* rm) override;
    ViStatus FindRsrc(ViSession rm, const char* expression,
                      ViChar descriptor[VI_FIND_BUFLEN]) override;
    ViStatus Open(ViSession rm, const char* descriptor, ViSession* instr) override;
    ViStatus SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) override;
    ViStatus Write(ViSession instr, const ViByte* data, ViUInt32 count,
                   ViUInt32* retCount) override;
    ViStatus Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount) override;
    ViStatus Close(ViObject vi) override;

    std::vector<ViObject> opened;  // in the order they were opened
    std::vector<ViObject> closed;  // every close asked for, in order
    bool faultInjected = false;

private:
    // True when this call is the one to go wrong; counts the call either way.
    bool IsFaulty(Call call);
    ViStatus FaultStatus(ViStatus failure) const;

    Journal& journal_;
    Fault fault_;
    std::map<Call, int> calls_;
};
