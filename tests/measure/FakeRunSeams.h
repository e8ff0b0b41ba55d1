#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "run/RunSeams.h"
#include "support/Journal.h"

// Seams that journal every allocation, release and clock reading. New
// buffers are filled with 0xA5. The time
// of day counts up one second per reading from 10:00:01; the elapsed clock
// returns `elapsedStartMs`, then steps by `elapsedStepMs`.
class FakeRunSeams {
public:
    explicit FakeRunSeams(Journal& journal);
    FakeRunSeams(const FakeRunSeams&) = delete;
    FakeRunSeams& operator=(const FakeRunSeams&) = delete;

    const RunSeams& Seams() const { return seams_; }

    // An allocation of exactly this size fails (0: none fails).
    std::size_t failAllocationOfSize = 0;
    long long elapsedStartMs = 1000;
    long long elapsedStepMs = 123;

    int allocations = 0;
    int releases = 0;
    std::size_t BytesHeld() const;

private:
    unsigned char* Allocate(std::size_t size);
    void Release(unsigned char* buffer);
    long long ElapsedMs();
    std::string TimeOfDay();

    Journal& journal_;
    RunSeams seams_;
    std::map<unsigned char*, std::size_t> held_;
    int clockReadings_ = 0;
    int timeReadings_ = 0;
};
