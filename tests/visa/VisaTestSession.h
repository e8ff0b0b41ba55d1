#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "visa.h"

// ZVISA_SIM for the length of a test; unset again afterwards.
class ScopedSimulation {
public:
    explicit ScopedSimulation(const char* text) {
        if (text != nullptr) {
            setenv("ZVISA_SIM", text, 1);
        } else {
            unsetenv("ZVISA_SIM");
        }
    }
    ~ScopedSimulation() { unsetenv("ZVISA_SIM"); }
    ScopedSimulation(const ScopedSimulation&) = delete;
    ScopedSimulation& operator=(const ScopedSimulation&) = delete;
};

// Writes `text` to an open session.
inline ViStatus WriteText(ViSession vi, const std::string& text) {
    ViUInt32 written = 0;
    const ViStatus status = viWrite(vi, reinterpret_cast<const ViByte*>(text.data()),
                                    static_cast<ViUInt32>(text.size()), &written);
    if (status >= VI_SUCCESS) {
        EXPECT_EQ(written, text.size());
    }
    return status;
}

// One viRead of at most `count` bytes.
struct ReadResult {
    ViStatus status;
    std::string data;
};

inline ReadResult ReadText(ViSession vi, ViUInt32 count) {
    std::string buffer(count, '\0');
    ViUInt32 got = 0;
    const ViStatus status = viRead(vi, reinterpret_cast<ViByte*>(&buffer[0]), count, &got);
    EXPECT_LE(got, count);
    buffer.resize(got);
    return {status, buffer};
}
