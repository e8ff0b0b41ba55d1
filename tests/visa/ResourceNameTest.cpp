#include "base/ResourceName.h"

#include <gtest/gtest.h>

namespace {

using zvisa::ResourceName;

constexpr const char* kMeter = "USB0::0x7A5E::0x0C46::SIM0001::INSTR";

TEST(ResourceNameTest, SpellingsOfOneResourceAreTheSame) {
    const char* const kSameMeter[] = {
        "usb0::0x7a5e::0x0c46::sim0001::instr",
        "USB::0x7A5E::0x0C46::SIM0001::INSTR",      // board 0 by default
        "USB0::0x7A5E::0x0C46::SIM0001",            // INSTR by default
        "USB0::31326::3142::SIM0001::INSTR",        // ids in decimal
        "USB0::0x7A5E::0x0C46::SIM0001::0::INSTR",  // interface 0 named
    };
    const auto meter = ResourceName::Parse(kMeter);
    ASSERT_TRUE(meter.has_value());
    for (const char* text : kSameMeter) {
        const auto name = ResourceName::Parse(text);
        ASSERT_TRUE(name.has_value()) << text;
        EXPECT_TRUE(name->SameResource(*meter)) << text;
    }
}

TEST(ResourceNameTest, OtherResourcesDiffer) {
    const char* const kOthers[] = {
        "USB1::0x7A5E::0x0C46::SIM0001::INSTR", "USB0::0x7A5E::0x0C47::SIM0001::INSTR",
        "USB0::0x7A5E::0x0C46::SIM0002::INSTR", "USB0::0x7A5E::0x0C46::SIM0001::1::INSTR",
        "USB0::0x7A5E::0x0C46::SIM0001::RAW",
    };
    const auto meter = ResourceName::Parse(kMeter);
    for (const char* text : kOthers) {
        const auto name = ResourceName::Parse(text);
        ASSERT_TRUE(name.has_value()) << text;
        EXPECT_FALSE(name->SameResource(*meter)) << text;
    }
}

TEST(ResourceNameTest, RejectsWhatIsNoResourceString) {
    const char* const kInvalid[] = {
        "",
        "0x7A5E",
        "::INSTR",
        "USB0::0x7A5E::0x0C46::INSTR",            // no serial
        "USB0::0x7A5E::0x0C46::SN::1::2::INSTR",  // too many fields
        "USB0::0x7A5X::0x0C46::SN::INSTR",        // not a number
        "USB0::0x17A5E::0x0C46::SN::INSTR",       // over 16 bits
        "USB0::0x7A5E::0x0C46::SN::256::INSTR",   // no such interface
        "USB0::0x7A5E::::SN::INSTR",
        "USB0:::0x7A5E::0x0C46::SN::INSTR",
        "USB0::0x7A5E::0x0C46:: SN::INSTR",
        "USB0::0x7A5E::0x0C46::SN\t1::INSTR",
        "USB0x1::0x7A5E::0x0C46::SN::INSTR",
        "USB0::0x7A5E::0x0C46::SN::INSTR::",
    };
    for (const char* text : kInvalid) {
        EXPECT_FALSE(ResourceName::Parse(text).has_value()) << '"' << text << '"';
    }
    EXPECT_TRUE(ResourceName::Parse("GPIB0::22::INSTR").has_value());
    EXPECT_TRUE(ResourceName::Parse("USB0::0x7A5E::0x0C46::SN 1::INSTR").has_value());
}

}  // namespace
