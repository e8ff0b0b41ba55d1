#include "libusb/LibusbErrors.h"

#include <libusb.h>

namespace zvisa::libusb {

ViStatus OpenFailureStatus(int libusbError) {
    switch (libusbError) {
        case LIBUSB_SUCCESS:
            return VI_SUCCESS;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return VI_ERROR_RSRC_NFOUND;
        case LIBUSB_ERROR_BUSY:
            return VI_ERROR_RSRC_BUSY;
        case LIBUSB_ERROR_ACCESS:
            return VI_ERROR_NPERMISSION;
        case LIBUSB_ERROR_NO_MEM:
            return VI_ERROR_ALLOC;
        default:
            return VI_ERROR_SYSTEM_ERROR;
    }
}

UsbResult TransferResult(int libusbError) {
    switch (libusbError) {
        case LIBUSB_SUCCESS:
            return UsbResult::Ok;
        case LIBUSB_ERROR_TIMEOUT:
            return UsbResult::Timeout;
        case LIBUSB_ERROR_PIPE:
            return UsbResult::Stall;
        case LIBUSB_ERROR_NO_DEVICE:
            return UsbResult::NoDevice;
        default:
            return UsbResult::Error;
    }
}

UsbResult TransferStatusResult(int transferStatus) {
    switch (transferStatus) {
        case LIBUSB_TRANSFER_COMPLETED:
            return UsbResult::Ok;
        case LIBUSB_TRANSFER_TIMED_OUT:
            return UsbResult::Timeout;
        case LIBUSB_TRANSFER_STALL:
            return UsbResult::Stall;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return UsbResult::NoDevice;
        case LIBUSB_TRANSFER_CANCELLED:
            return UsbResult::Aborted;
        default:
            return UsbResult::Error;
    }
}

}  // namespace zvisa::libusb
