#pragma once

#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa::libusb {

// libusb error codes (LIBUSB_ERROR_*) as the VISA status of a failed open.
ViStatus OpenFailureStatus(int libusbError);

// A libusb transfer's return code as the transport's result.
UsbResult TransferResult(int libusbError);

}  // namespace zvisa::libusb
