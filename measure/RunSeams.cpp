#include "RunSeams.h"

#include <chrono>
#include <ctime>
#include <new>

namespace {

unsigned char* AllocateFromHeap(std::size_t size) {
    return new (std::nothrow) unsigned char[size];
}

void ReleaseToHeap(unsigned char* buffer) {
    delete[] buffer;
}

long long SteadyMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

std::string LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return "00:00:00";
    }
    char text[16];
    const std::size_t size = std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return std::string(text, size);
}

}  // namespace

RunSeams RealRunSeams() {
    return RunSeams{AllocateFromHeap, ReleaseToHeap, SteadyMilliseconds, LocalTimeOfDay};
}
