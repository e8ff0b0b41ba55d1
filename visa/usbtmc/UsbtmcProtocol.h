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
    kTrigger = 128,  // USB488: a bare header
};

// bmTransferAttributes: D0 of DEV_DEP_MSG_OUT and DEV_DEP_MSG_IN.
constexpr std::uint8_t kEndOfMessage = 0x01;
// D1 of REQUEST_DEV_DEP_MSG_IN: end the transfer on TermChar. Of DEV_DEP_MSG_IN:
// the transfer ended on it.
constexpr std::uint8_t kTermCharEnabled = 0x02;

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
    kReadStatusByte = 128,  // USB488
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

// wLength of the interface requests.
constexpr std::uint16_t kInitiateClearLength = 1;
constexpr std::uint16_t kCheckClearLength = 2;
constexpr std::uint16_t kCapabilitiesLength = 0x18;
constexpr std::uint16_t kReadStatusByteLength = 3;

// GET_CAPABILITIES reply: byte offsets and bits.
constexpr std::size_t kDeviceCapsOffset = 5;      // D0: can end a transfer on TermChar
constexpr std::size_t kUsb488VersionOffset = 12;  // bcdUSB488, 0 for plain USBTMC
constexpr std::size_t kUsb488InterfaceCapsOffset = 14;
constexpr std::size_t kUsb488DeviceCapsOffset = 15;
constexpr std::uint8_t kCapsTermChar = 0x01;
constexpr std::uint8_t kCaps4882 = 0x04;     // USB488 interface: IEEE 488.2 compliant
constexpr std::uint8_t kCapsTrigger = 0x01;  // USB488 interface: accepts TRIGGER
constexpr std::uint8_t kCapsDt1 = 0x01;      // USB488 device: device trigger

// An Interrupt-IN notification of READ_STATUS_BYTE: bNotify1 = 0x80 | bTag,
// then the status byte.
constexpr std::uint8_t kNotifyStatusByte = 0x80;
constexpr std::size_t kNotifyLength = 2;

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

// What GET_CAPABILITIES says the interface can do; all false when the
// device does not answer it.
struct DeviceCapabilities {
    bool termChar = false;  // ends a transfer on TermChar when asked
    bool usb488 = false;
    bool ieee4882 = false;
    bool trigger = false;  // takes USB488 TRIGGER
};

DeviceCapabilities ParseCapabilities(const std::uint8_t* reply, std::size_t length);

// Bulk transfers are padded to a multiple of 4 bytes.
constexpr std::size_t PaddedLength(std::size_t length) {
    return (length + 3) & ~std::size_t{3};
}

}  // namespace zvisa::usbtmc
