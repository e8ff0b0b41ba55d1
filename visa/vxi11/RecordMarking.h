#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// ONC RPC record marking over a stream (RFC 5531, section 11): a record is one or more fragments,
// each after a 4-byte big-endian header whose bit 31 marks the last fragment and whose low 31
// bits give the fragment's length.
namespace zvisa::vxi11 {

constexpr std::size_t kFragmentHeaderSize = 4;
constexpr std::uint32_t kLastFragment = 0x80000000u;

// `payload` as one record of a single fragment, header included. Replies always go out this way:
// some clients mishandle records of several fragments.
std::vector<std::uint8_t> FrameRecord(const std::vector<std::uint8_t>& payload);

// Assembles records from bytes as they arrive from the stream, in any pieces. A record longer
// than the bound fails the assembler for good (the connection is to be closed): the bytes are
// never buffered, so a hostile length costs no memory.
class RecordAssembler {
public:
    explicit RecordAssembler(std::size_t maxRecordSize) : maxRecordSize_(maxRecordSize) {}

    // Takes the next bytes of the stream; false once the assembler has failed.
    bool Feed(const std::uint8_t* data, std::size_t length);
    // The oldest complete record, if any.
    std::optional<std::vector<std::uint8_t>> NextRecord();

    bool Failed() const { return failed_; }
    // Whether bytes of an unfinished record are held (a stream closing now cuts a record).
    bool InRecord() const { return headerBytes_ > 0 || !record_.empty() || inFragment_; }

private:
    void TakeHeaderByte(std::uint8_t byte);
    void EndFragment();

    std::size_t maxRecordSize_;
    std::deque<std::vector<std::uint8_t>> complete_;
    std::vector<std::uint8_t> record_;
    std::uint32_t header_ = 0;
    std::size_t headerBytes_ = 0;
    std::size_t fragmentLeft_ = 0;
    bool inFragment_ = false;
    bool lastFragment_ = false;
    bool failed_ = false;
};

}  // namespace zvisa::vxi11
