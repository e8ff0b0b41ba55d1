#pragma once

#include <cstddef>

#include "run/RunSeams.h"

// One buffer of a run, taken from and given back to the run's seams. Release()
// hands it back at the point the run chooses; the destructor catches the rest.
class RunBuffer {
public:
    RunBuffer(const RunSeams& seams, std::size_t size);
    ~RunBuffer() { Release(); }
    RunBuffer(const RunBuffer&) = delete;
    RunBuffer& operator=(const RunBuffer&) = delete;

    bool IsAllocated() const { return data_ != nullptr; }
    unsigned char* Data() { return data_; }
    std::size_t Size() const { return data_ != nullptr ? size_ : 0; }
    void Release();

private:
    const RunSeams& seams_;
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};
