#include "share/ShareLog.h"

#include <cstdio>
#include <mutex>

void ShareLog(const std::string& line) {
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::fprintf(stderr, "zorvane-share: %s\n", line.c_str());
    std::fflush(stderr);
}
