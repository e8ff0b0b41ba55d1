#include "vxi11/RecordMarking.h"

#include <algorithm>

namespace zvisa::vxi11 {

std::vector<std::uint8_t> FrameRecord(const std::vector<std::uint8_t>& payload) {
    std::uint32_t header = kLastFragment | static_cast<std::uint32_t>(payload.size());
    std::vector<std::uint8_t> out;
    out.reserve(kFragmentHeaderSize + payload.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(header >> shift));
    }
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void RecordAssembler::TakeHeaderByte(std::uint8_t byte) {
    header_ = (header_ << 8) | byte;
    if (++headerBytes_ < kFragmentHeaderSize) {
        return;
    }
    headerBytes_ = 0;
    fragmentLeft_ = header_ & ~kLastFragment;
    lastFragment_ = (header_ & kLastFragment) != 0;
    header_ = 0;
    if (fragmentLeft_ > maxRecordSize_ - record_.size()) {
        failed_ = true;
        return;
    }
    inFragment_ = true;
    if (fragmentLeft_ == 0) {
        EndFragment();
    }
}

void RecordAssembler::EndFragment() {
    inFragment_ = false;
    if (lastFragment_) {
        complete_.push_back(std::move(record_));
        record_.clear();
    }
}

bool RecordAssembler::Feed(const std::uint8_t* data, std::size_t length) {
    std::size_t offset = 0;
    while (!failed_ && offset < length) {
        if (!inFragment_) {
            TakeHeaderByte(data[offset++]);
            if (failed_ || !inFragment_) {
                continue;
            }
        }
        std::size_t count = std::min(fragmentLeft_, length - offset);
        record_.insert(record_.end(), data + offset, data + offset + count);
        offset += count;
        fragmentLeft_ -= count;
        if (fragmentLeft_ == 0) {
            EndFragment();
        }
    }
    return !failed_;
}

std::optional<std::vector<std::uint8_t>> RecordAssembler::NextRecord() {
    if (complete_.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> record = std::move(complete_.front());
    complete_.pop_front();
    return record;
}

}  // namespace zvisa::vxi11
