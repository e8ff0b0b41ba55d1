#include "FakeRunSeams.h"

#include <cstdio>
#include <cstring>

FakeRunSeams::FakeRunSeams(Journal& journal) : journal_(journal) {
    seams_.allocate = [this](std::size_t size) { return Allocate(size); };
    seams_.release = [this](unsigned char* buffer) { Release(buffer); };
    seams_.elapsedMs = [this] { return ElapsedMs(); };
    seams_.timeOfDay = [this] { return TimeOfDay(); };
}

std::size_t FakeRunSeams::BytesHeld() const {
    std::size_t bytes = 0;
    for (const auto& entry : held_) {
        bytes += entry.second;
    }
    return bytes;
}

unsigned char* FakeRunSeams::Allocate(std::size_t size) {
    if (size == failAllocationOfSize) {
        journal_.push_back("allocate " + std::to_string(size) + " failed");
        return nullptr;
    }
    ++allocations;
    auto* buffer = new unsigned char[size];
    // Fresh memory is seldom zero; a run must not rely on it.
    std::memset(buffer, 0xA5, size);
    held_[buffer] = size;
    journal_.push_back("allocate " + std::to_string(size));
    return buffer;
}

void FakeRunSeams::Release(unsigned char* buffer) {
    ++releases;
    const auto entry = held_.find(buffer);
    if (entry == held_.end()) {
        journal_.push_back("release of unknown buffer");
        return;
    }
    journal_.push_back("release " + std::to_string(entry->second));
    held_.erase(entry);
    delete[] buffer;
}

long long FakeRunSeams::ElapsedMs() {
    const long long now = elapsedStartMs + elapsedStepMs * clockReadings_++;
    journal_.push_back("elapsed " + std::to_string(now));
    return now;
}

std::string FakeRunSeams::TimeOfDay() {
    ++timeReadings_;
    char text[32];
    std::snprintf(text, sizeof text, "10:%02d:%02d", timeReadings_ / 60 % 60, timeReadings_ % 60);
    journal_.push_back(std::string("time ") + text);
    return text;
}
