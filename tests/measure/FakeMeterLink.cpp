#include "FakeMeterLink.h"

#include <algorithm>
#include <cstring>

ViSession FakeMeterLink::NewSession() {
    const ViSession session = nextSession_++;
    openSessions_.insert(session);
    return session;
}

ViStatus FakeMeterLink::OpenDefaultRM(ViSession* rm) {
    if (openRmStatus < VI_SUCCESS) {
        journal_.push_back("OpenDefaultRM failed");
        return openRmStatus;
    }
    *rm = NewSession();
    journal_.push_back("OpenDefaultRM " + std::to_string(*rm));
    return openRmStatus;
}

ViStatus FakeMeterLink::FindRsrc(ViSession rm, const char* expression,
                                 ViChar descriptorOut[VI_FIND_BUFLEN]) {
    journal_.push_back("FindRsrc " + std::to_string(rm) + " " + expression);
    if (findStatus >= VI_SUCCESS) {
        std::strncpy(descriptorOut, descriptor.c_str(), VI_FIND_BUFLEN - 1);
    }
    return findStatus;
}

ViStatus FakeMeterLink::Open(ViSession rm, const char* descriptorIn, ViSession* instr) {
    std::string line = "Open " + std::to_string(rm) + " " + descriptorIn;
    if (openStatus < VI_SUCCESS) {
        journal_.push_back(line + " failed");
        return openStatus;
    }
    *instr = NewSession();
    journal_.push_back(line + " -> " + std::to_string(*instr));
    return openStatus;
}

ViStatus FakeMeterLink::SetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    journal_.push_back("SetAttribute " + std::to_string(vi) + " " + std::to_string(attribute) +
                       " " + std::to_string(value));
    return VI_SUCCESS;
}

ViStatus FakeMeterLink::Write(ViSession instr, const ViByte* data, ViUInt32 count,
                              ViUInt32* retCount) {
    const std::string bytes(reinterpret_cast<const char*>(data), count);
    writes.push_back(bytes);
    journal_.push_back("Write " + std::to_string(instr) + " " + Printable(bytes) + " (" +
                       std::to_string(count) + ")");
    const auto reply = replies.find(bytes);
    pending_[instr] = reply != replies.end() ? reply->second : Reply{"", VI_ERROR_TMO};
    *retCount = count;
    return VI_SUCCESS;
}

ViStatus FakeMeterLink::Read(ViSession instr, ViByte* data, ViUInt32 count, ViUInt32* retCount) {
    const Reply reply = pending_[instr];
    pending_.erase(instr);
    const ViUInt32 delivered = std::min<ViUInt32>(count, reply.bytes.size());
    std::memcpy(data, reply.bytes.data(), delivered);
    *retCount = delivered + overclaimBy;
    journal_.push_back("Read " + std::to_string(instr) + " max " + std::to_string(count) + " -> " +
                       std::to_string(delivered));
    return reply.bytes.empty() ? VI_ERROR_TMO : reply.status;
}

ViStatus FakeMeterLink::Close(ViObject vi) {
    const bool wasOpen = openSessions_.erase(vi) == 1;
    journal_.push_back("Close " + std::to_string(vi) + (wasOpen ? "" : " (not open)"));
    return wasOpen ? VI_SUCCESS : VI_ERROR_INV_OBJECT;
}
