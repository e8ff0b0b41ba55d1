// One session over a scripted device: it owns the transport and keeps its
// timeout for every call.
#include "api/UsbSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScriptedUsbDevice.h"

namespace {

using zvisa::IoResult;
using zvisa::UsbSession;
using zvisa::VirtualClock;
using zvisa::usbtmc::testing::Bytes;
using zvisa::usbtmc::testing::ScriptedUsbDevice;

const std::string kIdentity = "ZORVANE,DMM-TEST,SN1,1.0\n";

TEST(InstrumentSessionTest, OwnsItsTransportAndExchangesMessages) {
    VirtualClock clock;
    auto device = std::make_unique<ScriptedUsbDevice>(clock);
    device->Answer("*idn?\n", Bytes(kIdentity));
    UsbSession session(std::make_shared<zvisa::SharedDevice>(std::move(device)),
                       "USB0::0x7A5E::0x0C46::SN1::INSTR");
    const std::string command = "*idn?\n";
    std::vector<ViByte> buffer(100);

    const IoResult written = session.Write(reinterpret_cast<const ViByte*>(command.data()),
                                           static_cast<ViUInt32>(command.size()));
    const IoResult read = session.Read(buffer.data(), static_cast<ViUInt32>(buffer.size()));

    EXPECT_EQ(written.status, VI_SUCCESS);
    EXPECT_EQ(read.status, VI_SUCCESS);
    buffer.resize(read.count);
    EXPECT_EQ(buffer, Bytes(kIdentity));
}

}  // namespace
