#include "libusb/LibusbErrors.h"

#include <gtest/gtest.h>

#include <libusb.h>

namespace zvisa::libusb {
namespace {

TEST(LibusbErrors, MapToVisaStatusesAndTransportResults) {
    struct OpenCase {
        int error;
        ViStatus status;
    };
    const OpenCase opens[] = {
        {LIBUSB_SUCCESS, VI_SUCCESS},
        {LIBUSB_ERROR_NO_DEVICE, VI_ERROR_RSRC_NFOUND},
        {LIBUSB_ERROR_NOT_FOUND, VI_ERROR_RSRC_NFOUND},
        {LIBUSB_ERROR_BUSY, VI_ERROR_RSRC_BUSY},
        {LIBUSB_ERROR_ACCESS, VI_ERROR_NPERMISSION},
        {LIBUSB_ERROR_IO, VI_ERROR_SYSTEM_ERROR},
    };
    for (const OpenCase& c : opens) {
        EXPECT_EQ(OpenFailureStatus(c.error), c.status) << libusb_error_name(c.error);
    }
    struct TransferCase {
        int error;
        UsbResult result;
    };
    const TransferCase transfers[] = {
        {LIBUSB_SUCCESS, UsbResult::Ok},           {LIBUSB_ERROR_TIMEOUT, UsbResult::Timeout},
        {LIBUSB_ERROR_PIPE, UsbResult::Stall},     {LIBUSB_ERROR_NO_DEVICE, UsbResult::NoDevice},
        {LIBUSB_ERROR_OVERFLOW, UsbResult::Error},
    };
    for (const TransferCase& c : transfers) {
        EXPECT_EQ(TransferResult(c.error), c.result) << libusb_error_name(c.error);
    }
}

}  // namespace
}  // namespace zvisa::libusb
