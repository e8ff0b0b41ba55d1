#pragma once

#include <map>
#include <set>
#include <string>

#include "instrument/InstrumentLink.h"
#include "support/Journal.h"

// A scripted meter behind the seven VISA calls. Each call is journaled; a
// read delivers the reply scripted for the last command written to that
// session, at most as many bytes as asked for.
class FakeMeterLink : public InstrumentLink {
public:
    struct Reply {
        std::string bytes;
        ViStatus status = VI_SUCCESS;  // returned even when bytes were delivered
    };

    explicit FakeMeterLink(Journal& journal) : journal_(journal) {}

    ViStatus OpenDefaultRM(ViSession* rm) override;
    ViStatus FindRsrc(ViSession rm, const char* expression,
                      ViChar descriptor[VI_FIND_BUFLEN]) override;
    ViStatus Open(ViSession rm, const char* descriptor, ViSession* instr) override;
    ViStatus SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) override;
    ViStatus Write(ViSession instr, const ViByte* data, ViUInt32 count,
                   ViUInt32* retCount) override;
    ViStatus Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount) override;
    ViStatus Close(ViObject vi) override;

    // Script.
    ViStatus openRmStatus = VI_SUCCESS;
    ViStatus findStatus = VI_SUCCESS;
    ViStatus openStatus = VI_SUCCESS;
    std::string descriptor = "USB0::0x7A5E::0x0C46::FAKE01::INSTR";
    std::map<std::string, Reply> replies;  // keyed by the exact command bytes
    // A faulty link that reports more bytes than it was asked for.
    ViUInt32 overclaimBy = 0;

    // Record.
    std::vector<std::string> writes;  // exact bytes of every write, in order
    const std::set<ViObject>& OpenSessions() const { return openSessions_; }

private:
    ViSession NewSession();

    Journal& journal_;
    ViSession nextSession_ = 1;
    std::set<ViObject> openSessions_;
    std::map<ViSession, Reply> pending_;
};
