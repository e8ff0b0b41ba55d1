#include "usbtmc/UsbtmcProtocol.h"

namespace zvisa::usbtmc {

void EncodeBulkHeader(const BulkHeader& header, std::uint8_t* out) {
    out[0] = header.msgId;
    out[1] = header.bTag;
    out[2] = static_cast<std::uint8_t>(~header.bTag);
    out[3] = 0;
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = static_cast<std::uint8_t>(header.transferSize >> (8 * i));
    }
    out[8] = header.attributes;
    out[9] = header.termChar;
    out[10] = 0;
    out[11] = 0;
}

std::optional<BulkHeader> ParseBulkHeader(const std::uint8_t* data, std::size_t length) {
    if (length < kBulkHeaderSize || data[2] != static_cast<std::uint8_t>(~data[1])) {
        return std::nullopt;
    }
    BulkHeader header;
    header.msgId = data[0];
    header.bTag = data[1];
    for (int i = 0; i < 4; ++i) {
        header.transferSize |= static_cast<std::uint32_t>(data[4 + i]) << (8 * i);
    }
    header.attributes = data[8];
    header.termChar = data[9];
    return header;
}

DeviceCapabilities ParseCapabilities(const std::uint8_t* reply, std::size_t length) {
    DeviceCapabilities caps;
    if (length < kCapabilitiesLength || reply[0] != kStatusSuccess) {
        return caps;
    }
    caps.termChar = (reply[kDeviceCapsOffset] & kCapsTermChar) != 0;
    caps.usb488 = reply[kUsb488VersionOffset] != 0 || reply[kUsb488VersionOffset + 1] != 0;
    caps.ieee4882 = caps.usb488 && (reply[kUsb488InterfaceCapsOffset] & kCaps4882) != 0;
    caps.trigger = caps.usb488 && ((reply[kUsb488InterfaceCapsOffset] & kCapsTrigger) != 0 ||
                                   (reply[kUsb488DeviceCapsOffset] & kCapsDt1) != 0);
    return caps;
}

}  // namespace zvisa::usbtmc
