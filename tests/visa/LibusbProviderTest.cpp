#include "libusb/LibusbProvider.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zvisa::libusb {
namespace {

// Whatever this machine has on USB (often nothing, or no USB at all in a
// container): listing works and an unknown name is not found.
TEST(LibusbProvider, ListsWellFormedNamesAndDoesNotOpenUnknownOnes) {
    const std::unique_ptr<ResourceProvider> provider = MakeLibusbProvider();
    for (const std::string& name : provider->ListResources()) {
        EXPECT_EQ(name.rfind("USB0::0x", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 7), "::INSTR") << name;
    }
    std::unique_ptr<UsbTransport> transport;
    EXPECT_EQ(provider->Open("USB0::0x7A5E::0x0C46::NO-SUCH-METER::INSTR", transport),
              VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(transport, nullptr);
}

}  // namespace
}  // namespace zvisa::libusb
