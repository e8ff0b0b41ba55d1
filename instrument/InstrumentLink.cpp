#include "instrument/InstrumentLink.h"

#include <algorithm>
#include <cstring>

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameResource(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// A name too long for the buffer is no name VISA could open.
ViStatus CopyName(const std::string& name, ViChar descriptor[VI_FIND_BUFLEN]) {
    if (name.size() >= VI_FIND_BUFLEN) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    std::memcpy(descriptor, name.data(), name.size());
    descriptor[name.size()] = '\0';
    return VI_SUCCESS;
}

}  // namespace

bool IsNetworkResource(const std::string& resource) {
    static constexpr char kTcpipPrefix[] = "tcpip";
    const std::size_t length = sizeof kTcpipPrefix - 1;
    return resource.size() > length && SameResource(resource.substr(0, length), kTcpipPrefix);
}

ViStatus InstrumentLink::OpenDefaultRM(ViSession* rm) {
    return viOpenDefaultRM(rm);
}

ViStatus InstrumentLink::FindRsrc(ViSession rm, const char* expression,
                                  ViChar descriptor[VI_FIND_BUFLEN]) {
    if (!resource_.empty()) {
        return FindNamed(rm, expression, descriptor);
    }
    // Some VISA libraries refuse null out-parameters, so both get a home.
    ViFindList findList = VI_NULL;
    ViUInt32 matchCount = 0;
    return viFindRsrc(rm, expression, &findList, &matchCount, descriptor);
}

ViStatus InstrumentLink::FindNamed(ViSession rm, const char* expression,
                                   ViChar descriptor[VI_FIND_BUFLEN]) {
    if (IsNetworkResource(resource_)) {
        // Listing TCPIP names covers only configured hosts; viOpen asks the host itself.
        return CopyName(resource_, descriptor);
    }
    std::vector<std::string> resources;
    const ViStatus status = FindAll(rm, expression, resources);
    const auto named = std::find_if(resources.begin(), resources.end(), [&](const std::string& r) {
        return SameResource(r, resource_);
    });
    if (named == resources.end()) {
        return status < VI_SUCCESS ? status : VI_ERROR_RSRC_NFOUND;
    }
    return CopyName(*named, descriptor);
}

ViStatus InstrumentLink::FindAll(ViSession rm, const char* expression,
                                 std::vector<std::string>& resources) {
    resources.clear();
    ViFindList findList = VI_NULL;
    ViUInt32 matchCount = 0;
    ViChar descriptor[VI_FIND_BUFLEN] = {};
    ViStatus status = viFindRsrc(rm, expression, &findList, &matchCount, descriptor);
    if (status < VI_SUCCESS) {
        return status;
    }
    for (ViUInt32 found = 0; found < matchCount && status >= VI_SUCCESS; ++found) {
        descriptor[VI_FIND_BUFLEN - 1] = '\0';
        resources.emplace_back(descriptor);
        if (found + 1 < matchCount) {
            status = viFindNext(findList, descriptor);
        }
    }
    viClose(findList);
    return status;
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
