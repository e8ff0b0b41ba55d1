#pragma once

#include <optional>
#include <string>

// The name a LAN/USB gateway gives a USB device, `usb0[VID::PID::SERIAL::INTERFACE]` with decimal
// ids, for a VISA resource such as USB0::0x7A5E::0x0C46::SN1::INSTR. None for a resource that is
// no USB INSTR.
std::optional<std::string> UsbGatewayName(const std::string& resource);
