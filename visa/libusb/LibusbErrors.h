#pragma once

#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa::libusb {

// libusb error codes (LIBUSB_ERROR_*) as the VISA status of a failed open.
ViStatus OpenFailureStatus(int libusbError);

// A libusb transfer's return code as the transport's result.
UsbResult TransferResult(int libusbError);
// How an asynchronous transfer ended (LIBUSB_TRANSFER_*); a cancelled one
// was ended by Interrupt().
UsbResult TransferStatusResult(int transferStatus);

}  // namespace zvisa::libusb
