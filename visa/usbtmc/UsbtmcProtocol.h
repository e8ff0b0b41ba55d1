#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The USBTMC wire format, as the host and a device both write and read it.
namespace zvisa::usbtmc {

// The 12-byte header that starts every USBTMC bulk transfer.
constexpr std::size_t kBulkHeaderSize = 12;

enum MsgId : std::uint8_t {
    kDevDepMsgOut = 1,
    kRequestDevDepMsgIn = 2,
    kDevDepMsgIn = 2,
    kVendorSpecificIn = 127,
};

// bmTransferAttributes: D0 of DEV_DEP_MSG_OUT and DEV_DEP_MSG_IN.
constexpr std::uint8_t kEndOfMessage = 0x01;

// bmRequestType of the class requests: device to host, to an endpoint or to
// the interface.
constexpr std::uint8_t kEndpointClassIn = 0xA2;
constexpr std::uint8_t kInterfaceClassIn = 0xA1;

// bRequest of the class requests.
enum ControlRequest : std::uint8_t {
    kInitiateAbortBulkOut = 1,
    kCheckAbortBulkOutStatus = 2,
    kInitiateAbortBulkIn = 3,
    kCheckAbortBulkInStatus = 4,
    kInitiateClear = 5,
    kCheckClearStatus = 6,
    kGetCapabilities = 7,
};

// The USBTMC_status byte that starts every class request's reply.
enum UsbtmcStatus : std::uint8_t {
    kStatusSuccess = 0x01,
    kStatusPending = 0x02,
    kStatusFailed = 0x80,
    kStatusTransferNotInProgress = 0x81,
};

// wLength of INITIATE_ABORT_BULK_* and CHECK_ABORT_BULK_*_STATUS.
constexpr std::uint16_t kInitiateAbortLength = 2;
constexpr std::uint16_t kCheckAbortLength = 8;

// bmAbortBulkIn of CHECK_ABORT_BULK_IN_STATUS, bmClear of CHECK_CLEAR_STATUS:
// D0 set while the Bulk-IN FIFO still holds bytes.
constexpr std::uint8_t kBulkInFifoHasData = 0x01;

struct BulkHeader {
    std::uint8_t msgId = 0;
    std::uint8_t bTag = 0;
    std::uint32_t transferSize = 0;  // little-endian on the wire
    std::uint8_t attributes = 0;
    std::uint8_t termChar = 0;
};

void EncodeBulkHeader(const BulkHeader& header, std::uint8_t* out);

// Empty when fewer than 12 bytes are given or bTagInverse does not match.
std::optional<BulkHeader> ParseBulkHeader(const std::uint8_t* data, std::size_t length);

// Bulk transfers are padded to a multiple of 4 bytes.
constexpr std::size_t PaddedLength(std::size_t length) {
    return (length + 3) & ~std::size_t{3};
}

}  // namespace zvisa::usbtmc
