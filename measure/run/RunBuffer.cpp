#include "run/RunBuffer.h"

RunBuffer::RunBuffer(const RunSeams& seams, std::size_t size)
    : seams_(seams), data_(seams.allocate(size)), size_(size) {}

void RunBuffer::Release() {
    if (data_ == nullptr) {
        return;
    }
    unsigned char* const data = data_;
    data_ = nullptr;
    seams_.release(data);
}
