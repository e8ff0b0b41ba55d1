// The seven calls as a caller sees them: handles, ownership, arguments and
// which resources are found.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "VisaTestSession.h"
#include "sim/SimRegistry.h"
#include "visa.h"

namespace {

constexpr const char* kMeterExpression = "USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR";
constexpr const char* kSim0001 = "USB0::0x7A5E::0x0C46::SIM0001::INSTR";
constexpr ViObject kNeverOpened = 0x7FFFFFF0;
// Bounds a wait for another thread, far beyond what any of them needs.
constexpr std::chrono::seconds kLongEnough{10};

class VisaCallsTest : public testing::Test {
protected:
    void OpenManager() { ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS); }

    ViSession OpenMeter(const char* resource = kSim0001) {
        ViSession vi = VI_NULL;
        EXPECT_EQ(viOpen(rm, resource, VI_NO_LOCK, 0, &vi), VI_SUCCESS) << resource;
        return vi;
    }

    std::shared_ptr<zvisa::sim::SimMeter> Meter(const char* resource = kSim0001) {
        return zvisa::sim::SimRegistry::Global().FindMeter(resource);
    }

    void TearDown() override {
        if (rm != VI_NULL) {
            viClose(rm);
        }
    }

    ViSession rm = VI_NULL;
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    ViChar desc[VI_FIND_BUFLEN] = {};
};

TEST_F(VisaCallsTest, EachResourceManagerIsANewSession) {
    ScopedSimulation sim("dcv");
    ViSession first = VI_NULL;
    ViSession second = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&first), VI_SUCCESS);
    ASSERT_EQ(viOpenDefaultRM(&second), VI_SUCCESS);
    EXPECT_NE(first, VI_NULL);
    EXPECT_NE(first, second);
    EXPECT_EQ(viClose(first), VI_SUCCESS);
    EXPECT_EQ(viFindRsrc(second, kMeterExpression, &list, &count, desc), VI_SUCCESS);
    EXPECT_EQ(viClose(second), VI_SUCCESS);
}

TEST_F(VisaCallsTest, UnknownAndClosedHandlesAreInvalidObjects) {
    ScopedSimulation sim("dcv");
    OpenManager();
    const ViSession vi = OpenMeter();
    ViByte byte = 0;
    EXPECT_EQ(viFindRsrc(kNeverOpened, kMeterExpression, &list, &count, desc), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viFindRsrc(vi, kMeterExpression, &list, &count, desc), VI_ERROR_INV_OBJECT);
    ViSession other = 123;
    EXPECT_EQ(viOpen(kNeverOpened, kSim0001, VI_NO_LOCK, 0, &other), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(other, VI_NULL);
    EXPECT_EQ(viSetAttribute(kNeverOpened, VI_ATTR_TMO_VALUE, 100), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viWrite(kNeverOpened, &byte, 1, nullptr), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viRead(kNeverOpened, &byte, 1, nullptr), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(kNeverOpened), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(VI_NULL), VI_WARN_NULL_OBJECT);
    EXPECT_EQ(viClose(vi), VI_SUCCESS);
    EXPECT_EQ(viClose(vi), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viWrite(vi, &byte, 1, nullptr), VI_ERROR_INV_OBJECT);
}

TEST_F(VisaCallsTest, OperationsOnTheWrongKindOfHandle) {
    ScopedSimulation sim("dcv");
    OpenManager();
    ViByte byte = 0;
    EXPECT_EQ(viWrite(rm, &byte, 1, nullptr), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viRead(rm, &byte, 1, nullptr), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viSetAttribute(rm, VI_ATTR_TMO_VALUE, 100), VI_ERROR_NSUP_ATTR);
    ASSERT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_SUCCESS);
    ViSession vi = VI_NULL;
    EXPECT_EQ(viOpen(list, kSim0001, VI_NO_LOCK, 0, &vi), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(list), VI_SUCCESS);
}

TEST_F(VisaCallsTest, BusAndRegisterCallsAreNotSupportedOnUsb) {
    ScopedSimulation sim("dcv");
    OpenManager();
    const ViSession vi = OpenMeter();
    ViUInt32 word = 0;
    ViUInt32 moved = 7;
    const ViByte command = 0x3F;
    for (const ViSession handle : {vi, kNeverOpened}) {
        const ViStatus expected = handle == vi ? VI_ERROR_NSUP_OPER : VI_ERROR_INV_OBJECT;
        EXPECT_EQ(viGpibControlREN(handle, 1), expected);
        EXPECT_EQ(viGpibCommand(handle, &command, 1, &moved), expected);
        EXPECT_EQ(moved, 0u);
        EXPECT_EQ(viVxiCommandQuery(handle, 0, 0, &word), expected);
        EXPECT_EQ(viIn32(handle, 0, 0, &word), expected);
        EXPECT_EQ(viMoveOut32(handle, 0, 0, 1, &word), expected);
        EXPECT_EQ(viMapAddress(handle, 0, 0, 4, VI_FALSE, VI_NULL, nullptr), expected);
        EXPECT_EQ(viMemFree(handle, 0), expected);
    }
}

TEST_F(VisaCallsTest, NullArgumentsAreErrorsNotCrashes) {
    ScopedSimulation sim("dcv");
    EXPECT_EQ(viOpenDefaultRM(nullptr), VI_ERROR_USER_BUF);
    OpenManager();
    EXPECT_EQ(viFindRsrc(rm, nullptr, &list, &count, desc), VI_ERROR_INV_PARAMETER);
    EXPECT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, nullptr), VI_ERROR_USER_BUF);
    EXPECT_EQ(list, VI_NULL);
    // Find list and count are optional, as in VISA.
    EXPECT_EQ(viFindRsrc(rm, kMeterExpression, nullptr, nullptr, desc), VI_SUCCESS);
    EXPECT_STREQ(desc, kSim0001);
    EXPECT_EQ(viOpen(rm, kSim0001, VI_NO_LOCK, 0, nullptr), VI_ERROR_USER_BUF);
    ViSession vi = 123;
    EXPECT_EQ(viOpen(rm, nullptr, VI_NO_LOCK, 0, &vi), VI_ERROR_INV_PARAMETER);
    EXPECT_EQ(vi, VI_NULL);
    vi = OpenMeter();
    ViUInt32 moved = 99;
    EXPECT_EQ(viWrite(vi, nullptr, 4, &moved), VI_ERROR_USER_BUF);
    EXPECT_EQ(moved, 0u);
    EXPECT_EQ(viRead(vi, nullptr, 4, &moved), VI_ERROR_USER_BUF);
    EXPECT_EQ(moved, 0u);
}

TEST_F(VisaCallsTest, FindCountsMatchesInOrderAndSkipsOtherProducts) {
    ScopedSimulation sim(
        "USB0::0x7A5E::0x0C45::X9::INSTR=dcv;USB0::0x7A5E::0x0C47::A1::INSTR=dci;"
        "USB1::0x7A5E::0x0C46::B2::INSTR=dcv");
    OpenManager();
    ASSERT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_SUCCESS);
    EXPECT_EQ(count, 2u);
    EXPECT_STREQ(desc, "USB0::0x7A5E::0x0C47::A1::INSTR");
    EXPECT_NE(list, VI_NULL);
    EXPECT_EQ(viFindNext(list, desc), VI_SUCCESS);
    EXPECT_STREQ(desc, "USB1::0x7A5E::0x0C46::B2::INSTR");
    EXPECT_EQ(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viFindNext(rm, desc), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viFindRsrc(rm, "USB?*::0x0C48::?*", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(list, VI_NULL);
    EXPECT_EQ(viFindRsrc(rm, "USB[0-9", &list, &count, desc), VI_ERROR_INV_EXPR);
}

// On this machine the libusb provider lists nothing, so without ZVISA_SIM
// there is no meter at all.
TEST_F(VisaCallsTest, WithoutSimulationNoMeterIsFound) {
    ScopedSimulation sim(nullptr);
    OpenManager();
    EXPECT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viFindRsrc(rm, "?*", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    ViSession vi = 123;
    EXPECT_EQ(viOpen(rm, kSim0001, VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(vi, VI_NULL);
}

TEST_F(VisaCallsTest, OpenAcceptsOtherSpellingsAndRejectsBadNames) {
    ScopedSimulation sim("dcv");
    OpenManager();
    for (const char* name : {"usb0::0x7a5e::0x0c46::sim0001::instr", "USB0::31326::3142::SIM0001",
                             "USB::0x7A5E::0x0C46::SIM0001::INSTR"}) {
        ViSession vi = OpenMeter(name);
        EXPECT_EQ(WriteText(vi, "*IDN?\n"), VI_SUCCESS);
        EXPECT_EQ(viClose(vi), VI_SUCCESS);
    }
    ViSession vi = VI_NULL;
    EXPECT_EQ(viOpen(rm, "USB0::0x7A5E::0x0C46::SIM0002::INSTR", VI_NO_LOCK, 0, &vi),
              VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viOpen(rm, "USB0::0x7A5E", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_RSRC_NAME);
    EXPECT_EQ(viOpen(rm, "", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_RSRC_NAME);
    EXPECT_EQ(viOpen(rm, kSim0001, VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK, 0, &vi),
              VI_ERROR_INV_ACC_MODE);
    EXPECT_EQ(viOpen(rm, kSim0001, 8, 0, &vi), VI_ERROR_INV_ACC_MODE);
    EXPECT_EQ(vi, VI_NULL);
}

TEST_F(VisaCallsTest, ParseGivesInterfaceBoardClassAndTheExpandedName) {
    OpenManager();
    struct Case {
        const char* name;
        ViStatus status;
        ViUInt16 type;
        ViUInt16 board;
        const char* resourceClass;
        const char* expanded;
    };
    for (const Case& c : {
             Case{"usb3::31326::0xc46::sn 1", VI_SUCCESS, VI_INTF_USB, 3, "INSTR",
                  "USB3::0x7A5E::0x0C46::sn 1::INSTR"},
             Case{"USB::0x7A5E::0x0C46::SN1::2::RAW", VI_SUCCESS, VI_INTF_USB, 0, "RAW",
                  "USB0::0x7A5E::0x0C46::SN1::2::RAW"},
             Case{"GPIB1::22::INSTR", VI_SUCCESS, VI_INTF_GPIB, 1, "INSTR", "GPIB1::22::INSTR"},
             Case{"TCPIP::host::inst0", VI_SUCCESS, VI_INTF_TCPIP, 0, "INSTR",
                  "TCPIP0::host::inst0::INSTR"},
             Case{"USB0::0x7A5E", VI_ERROR_INV_RSRC_NAME, 0, 0, "", ""},
             Case{"FOO0::1::INSTR", VI_ERROR_INV_RSRC_NAME, 0, 0, "", ""},
             Case{"USB70000::1::2::3::INSTR", VI_ERROR_INV_RSRC_NAME, 0, 0, "", ""},
         }) {
        ViUInt16 type = 0;
        ViUInt16 board = 99;
        ViChar resourceClass[VI_FIND_BUFLEN] = {};
        ViChar expanded[VI_FIND_BUFLEN] = {};
        ViChar alias[VI_FIND_BUFLEN] = "x";
        ASSERT_EQ(viParseRsrcEx(rm, c.name, &type, &board, resourceClass, expanded, alias),
                  c.status)
            << c.name;
        if (c.status == VI_SUCCESS) {
            EXPECT_EQ(type, c.type) << c.name;
            EXPECT_EQ(board, c.board) << c.name;
            EXPECT_STREQ(resourceClass, c.resourceClass);
            EXPECT_STREQ(expanded, c.expanded);
            EXPECT_STREQ(alias, "");
        }
        EXPECT_EQ(viParseRsrc(rm, c.name, &type, &board), c.status) << c.name;
    }
    EXPECT_EQ(viParseRsrc(kNeverOpened, "USB0::1::2::3", nullptr, nullptr), VI_ERROR_INV_OBJECT);
}

// Every status the library returns has a text; others are said to be unknown.
TEST_F(VisaCallsTest, StatusDescriptions) {
    ViChar text[VI_FIND_BUFLEN] = {};
    for (const ViStatus status :
         {VI_SUCCESS, VI_SUCCESS_TERM_CHAR, VI_SUCCESS_MAX_CNT, VI_ERROR_TMO, VI_ERROR_RSRC_BUSY,
          VI_ERROR_CONN_LOST, VI_ERROR_NSUP_OPER, VI_ERROR_ATTR_READONLY, VI_ERROR_RSRC_LOCKED}) {
        EXPECT_EQ(viStatusDesc(VI_NULL, status, text), VI_SUCCESS);
        EXPECT_GT(std::string(text).size(), 12u) << status;
    }
    EXPECT_EQ(viStatusDesc(VI_NULL, VI_ERROR_TMO, text), VI_SUCCESS);
    EXPECT_EQ(std::string(text).rfind("VI_ERROR_TMO: ", 0), 0u) << text;
    EXPECT_EQ(viStatusDesc(VI_NULL, 0x12345, text), VI_WARN_UNKNOWN_STATUS);
    EXPECT_EQ(viStatusDesc(VI_NULL, VI_ERROR_TMO, nullptr), VI_ERROR_USER_BUF);
}

// Each attribute in its own type: a wider write would overrun the caller's variable.
template <typename T>
T Attribute(ViObject vi, ViAttr attribute, ViStatus expected = VI_SUCCESS) {
    struct {
        T value{};
        unsigned char guard[8] = {0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5};
    } slot;
    EXPECT_EQ(viGetAttribute(vi, attribute, &slot), expected) << std::hex << attribute;
    for (const unsigned char byte : slot.guard) {
        EXPECT_EQ(byte, 0xA5) << std::hex << attribute;
    }
    return slot.value;
}

std::string TextAttribute(ViObject vi, ViAttr attribute) {
    ViChar text[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viGetAttribute(vi, attribute, text), VI_SUCCESS) << std::hex << attribute;
    return text;
}

TEST_F(VisaCallsTest, AttributesDescribeTheResourceAndRefuseWhatCannotChange) {
    ScopedSimulation sim("USB2::0x7A5E::0x0C46::SIM0001::INSTR=dcv");
    OpenManager();
    const ViSession vi = OpenMeter("usb2::31326::3142::SIM0001");
    EXPECT_EQ(TextAttribute(vi, VI_ATTR_RSRC_NAME), "USB2::0x7A5E::0x0C46::SIM0001::INSTR");
    EXPECT_EQ(TextAttribute(vi, VI_ATTR_RSRC_CLASS), "INSTR");
    EXPECT_EQ(TextAttribute(vi, VI_ATTR_USB_SERIAL_NUM), "SIM0001");
    EXPECT_EQ(TextAttribute(vi, VI_ATTR_MANF_NAME), "Zorvane");
    EXPECT_FALSE(TextAttribute(vi, VI_ATTR_MODEL_NAME).empty());
    EXPECT_EQ(Attribute<ViUInt16>(vi, VI_ATTR_INTF_TYPE), VI_INTF_USB);
    EXPECT_EQ(Attribute<ViUInt16>(vi, VI_ATTR_INTF_NUM), 2);
    EXPECT_EQ(Attribute<ViUInt16>(vi, VI_ATTR_MANF_ID), 0x7A5E);
    EXPECT_EQ(Attribute<ViUInt16>(vi, VI_ATTR_MODEL_CODE), 0x0C46);
    EXPECT_EQ(Attribute<ViInt16>(vi, VI_ATTR_USB_INTFC_NUM), 0);
    EXPECT_EQ(Attribute<ViInt16>(vi, VI_ATTR_USB_PROTOCOL), 1);  // USB488
    EXPECT_EQ(Attribute<ViBoolean>(vi, VI_ATTR_4882_COMPLIANT), VI_TRUE);
    EXPECT_EQ(Attribute<ViUInt32>(vi, VI_ATTR_RSRC_LOCK_STATE), VI_NO_LOCK);
    EXPECT_EQ(Attribute<ViUInt32>(vi, VI_ATTR_RSRC_SPEC_VERSION), VI_SPEC_VERSION);
    EXPECT_EQ(Attribute<ViUInt32>(rm, VI_ATTR_RSRC_SPEC_VERSION), VI_SPEC_VERSION);
    EXPECT_NE(Attribute<ViUInt32>(vi, VI_ATTR_RSRC_IMPL_VERSION), 0u);
    Attribute<ViUInt32>(vi, 0x3FFF0FFFUL, VI_ERROR_NSUP_ATTR);
    Attribute<ViUInt32>(kNeverOpened, VI_ATTR_TMO_VALUE, VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_TMO_VALUE, nullptr), VI_ERROR_USER_BUF);

    for (const ViAttr readOnly :
         {VI_ATTR_RSRC_NAME, VI_ATTR_INTF_TYPE, VI_ATTR_MANF_ID, VI_ATTR_USB_SERIAL_NUM,
          VI_ATTR_RSRC_LOCK_STATE, VI_ATTR_RSRC_SPEC_VERSION, VI_ATTR_4882_COMPLIANT}) {
        EXPECT_EQ(viSetAttribute(vi, readOnly, 1), VI_ERROR_ATTR_READONLY) << std::hex << readOnly;
    }
    EXPECT_EQ(viSetAttribute(vi, 0x3FFF0FFFUL, 1), VI_ERROR_NSUP_ATTR);
    EXPECT_EQ(viSetAttribute(rm, VI_ATTR_RSRC_SPEC_VERSION, 1), VI_ERROR_ATTR_READONLY);
}

// The settable attributes: defaults as VISA gives them, each session its own.
TEST_F(VisaCallsTest, IoAttributesRoundTripPerSession) {
    ScopedSimulation sim("dcv");
    OpenManager();
    const ViSession vi = OpenMeter();
    const ViSession other = OpenMeter();
    struct Case {
        ViAttr attribute;
        ViUInt32 initial;
        ViUInt32 changed;
        ViAttrState invalid;
    };
    for (const Case& c : {Case{VI_ATTR_TMO_VALUE, 2000, VI_TMO_INFINITE, ViAttrState{1} << 32},
                          Case{VI_ATTR_TERMCHAR, '\n', '\r', 0x100},
                          Case{VI_ATTR_TERMCHAR_EN, VI_FALSE, VI_TRUE, 2},
                          Case{VI_ATTR_SEND_END_EN, VI_TRUE, VI_FALSE, 2},
                          Case{VI_ATTR_SUPPRESS_END_EN, VI_FALSE, VI_TRUE, 7}}) {
        const auto read = [&](ViSession session) {
            ViUInt32 value = 0;  // wide enough for each; the low bytes hold the value
            EXPECT_EQ(viGetAttribute(session, c.attribute, &value), VI_SUCCESS);
            const ViUInt32 width = c.attribute == VI_ATTR_TMO_VALUE  ? 0xFFFFFFFF
                                   : c.attribute == VI_ATTR_TERMCHAR ? 0xFF
                                                                     : 0xFFFF;
            return value & width;
        };
        EXPECT_EQ(read(vi), c.initial) << std::hex << c.attribute;
        EXPECT_EQ(viSetAttribute(vi, c.attribute, c.changed), VI_SUCCESS);
        EXPECT_EQ(read(vi), c.changed) << std::hex << c.attribute;
        EXPECT_EQ(read(other), c.initial) << std::hex << c.attribute;
        EXPECT_EQ(viSetAttribute(vi, c.attribute, c.invalid), VI_ERROR_NSUP_ATTR_STATE);
        EXPECT_EQ(read(vi), c.changed) << std::hex << c.attribute;
    }
}

TEST_F(VisaCallsTest, ClosingTheManagerClosesWhatWasOpenedFromIt) {
    ScopedSimulation sim("dcv");
    OpenManager();
    ASSERT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_SUCCESS);
    const ViSession first = OpenMeter();
    const ViSession second = OpenMeter();
    EXPECT_EQ(Meter()->OpenTransportCount(), 1);  // sessions share the device

    ViSession otherRm = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&otherRm), VI_SUCCESS);
    ViSession survivor = VI_NULL;
    ASSERT_EQ(viOpen(otherRm, kSim0001, VI_NO_LOCK, 0, &survivor), VI_SUCCESS);

    EXPECT_EQ(viClose(rm), VI_SUCCESS);
    rm = VI_NULL;
    EXPECT_EQ(Meter()->OpenTransportCount(), 1);  // the survivor's
    EXPECT_EQ(viClose(first), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(second), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(list), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(WriteText(survivor, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(viClose(otherRm), VI_SUCCESS);
    EXPECT_EQ(Meter()->OpenTransportCount(), 0);
}

// A read in flight keeps its session alive; closing ends the read, and the
// session goes once the read returns, not before and not never.
TEST_F(VisaCallsTest, ClosingTheManagerDuringAReadEndsItAndLeaksNothing) {
    ScopedSimulation sim("mute");
    OpenManager();
    const ViSession vi = OpenMeter();
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
    ASSERT_EQ(WriteText(vi, "FUNC?\n"), VI_SUCCESS);
    std::future<ReadResult> read = std::async(std::launch::async, [&] { return ReadText(vi, 20); });
    ASSERT_TRUE(Meter()->AwaitBlockedBulkIn(kLongEnough));
    EXPECT_EQ(viClose(rm), VI_SUCCESS);
    rm = VI_NULL;
    EXPECT_EQ(viClose(vi), VI_ERROR_INV_OBJECT);
    ASSERT_EQ(read.wait_for(kLongEnough), std::future_status::ready);
    EXPECT_EQ(read.get().status, VI_ERROR_ABORT);
    EXPECT_EQ(Meter()->OpenTransportCount(), 0);
}

TEST_F(VisaCallsTest, TwoSessionsToOneMeterBothWork) {
    ScopedSimulation sim("dcv,instant");
    OpenManager();
    const ViSession first = OpenMeter();
    const ViSession second = OpenMeter();
    ASSERT_NE(first, second);
    for (const ViSession vi : {first, second, first}) {
        ASSERT_EQ(WriteText(vi, "*IDN?\n"), VI_SUCCESS);
        const ReadResult reply = ReadText(vi, 100);
        EXPECT_EQ(reply.status, VI_SUCCESS);
        EXPECT_EQ(reply.data, "ZORVANE SIM,DMM-SIM,SIM0001,1.0\n");
    }
}

TEST_F(VisaCallsTest, UnpluggedMeterIsNotFoundAndItsSessionLosesTheConnection) {
    ScopedSimulation sim("dcv");
    OpenManager();
    const ViSession vi = OpenMeter();
    Meter()->SetPlugged(false);
    EXPECT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(WriteText(vi, "*IDN?\n"), VI_ERROR_CONN_LOST);
    EXPECT_EQ(ReadText(vi, 10).status, VI_ERROR_CONN_LOST);
    ViSession again = VI_NULL;
    EXPECT_EQ(viOpen(rm, kSim0001, VI_NO_LOCK, 0, &again), VI_ERROR_RSRC_NFOUND);

    Meter()->SetPlugged(true);
    EXPECT_EQ(viFindRsrc(rm, kMeterExpression, &list, &count, desc), VI_SUCCESS);
    EXPECT_EQ(WriteText(vi, "*IDN?\n"), VI_ERROR_CONN_LOST);  // the old session stays dead
    const ViSession fresh = OpenMeter();  // on the plugged-in device, not the lost one
    EXPECT_EQ(WriteText(fresh, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(WriteText(vi, "*IDN?\n"), VI_ERROR_CONN_LOST);
    EXPECT_EQ(viClose(fresh), VI_SUCCESS);
    EXPECT_EQ(viClose(vi), VI_SUCCESS);
    EXPECT_EQ(Meter()->OpenTransportCount(), 0);
}

}  // namespace
