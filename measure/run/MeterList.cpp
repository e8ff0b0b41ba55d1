#include "run/MeterList.h"

#include <algorithm>
#include <cstring>

#include "instrument/InstrumentLink.h"
#include "instrument/ScopedViSession.h"
#include "run/LineEnd.h"

namespace {

// Shorter than a run's timeout: a listing waits for each silent meter in turn.
constexpr ViAttrState kIdentityTimeoutMs = 2000;
constexpr ViUInt32 kIdentityReplyMax = 256;
constexpr char kIdentityQuery[] = "*idn?\n";

std::string ReplyLine(const ViByte* data, ViUInt32 delivered) {
    std::string text(reinterpret_cast<const char*>(data), delivered);
    text.resize(std::strlen(text.c_str()));
    return std::string(WithoutLineEnd(text));
}

std::string QueryIdentity(InstrumentLink& link, ViSession rm, const std::string& resource) {
    ScopedViSession meter(link);
    ViSession handle = VI_NULL;
    if (link.Open(rm, resource.c_str(), &handle) < VI_SUCCESS) {
        return std::string();
    }
    meter.Adopt(handle);
    link.SetAttribute(handle, VI_ATTR_TMO_VALUE, kIdentityTimeoutMs);
    ViUInt32 count = 0;
    const auto* query = reinterpret_cast<const ViByte*>(kIdentityQuery);
    if (link.Write(handle, query, sizeof kIdentityQuery - 1, &count) < VI_SUCCESS) {
        return std::string();
    }
    ViByte reply[kIdentityReplyMax] = {};
    link.Read(handle, reply, kIdentityReplyMax, &count);
    return ReplyLine(reply, std::min(count, kIdentityReplyMax));
}

}  // namespace

std::vector<FoundMeter> ListMeters(bool identify) {
    InstrumentLink link;
    std::vector<FoundMeter> meters;
    ScopedViSession rm(link);
    ViSession handle = VI_NULL;
    if (link.OpenDefaultRM(&handle) < VI_SUCCESS) {
        return meters;
    }
    rm.Adopt(handle);
    std::vector<std::string> resources;
    link.FindAll(handle, kMeterResourceExpression, resources);
    for (const std::string& resource : resources) {
        meters.push_back({resource, identify ? QueryIdentity(link, handle, resource) : ""});
    }
    return meters;
}

bool FindsMeter(const std::string& resource) {
    if (IsNetworkResource(resource)) {
        return true;  // never listed; the run's open asks the host
    }
    InstrumentLink link(resource);
    ScopedViSession rm(link);
    ViSession handle = VI_NULL;
    if (link.OpenDefaultRM(&handle) < VI_SUCCESS) {
        return false;
    }
    rm.Adopt(handle);
    ViChar descriptor[VI_FIND_BUFLEN] = {};
    return link.FindRsrc(handle, kMeterResourceExpression, descriptor) >= VI_SUCCESS;
}
