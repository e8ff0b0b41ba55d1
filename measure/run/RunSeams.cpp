#include "run/RunSeams.h"

#include <chrono>
#include <ctime>
#include <new>

#include "run/LocalTime.h"

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
    return LocalTimeText(std::time(nullptr), "%H:%M:%S", "00:00:00");
}

}  // namespace

RunSeams RealRunSeams() {
    return RunSeams{AllocateFromHeap, ReleaseToHeap, SteadyMilliseconds, LocalTimeOfDay};
}
