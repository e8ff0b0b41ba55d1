#include "sim/SimRegistry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zvisa::sim::SimRegistry;

TEST(SimRegistryTest, KeepsMetersWhileTheTextStays) {
    SimRegistry registry;
    const auto first = registry.MetersFor("dcv");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(registry.MetersFor("dcv"), first);
    EXPECT_NE(registry.MetersFor("dcv,instant"), first);
    EXPECT_TRUE(registry.MetersFor(nullptr).empty());
}

TEST(SimRegistryTest, ReportsAMalformedTextOnceOnOneLine) {
    struct Case {
        std::string text;
        std::string printedValue;  // between the quotes of ZVISA_SIM="..."
        std::string reason;
    };
    const std::string kProfiles = ", expected dcv, dci, acv or mute";
    const Case kCases[] = {
        {"dcv,bogus", "dcv,bogus",
         "entry 1 has unknown option \"bogus\", expected instant, truncate=N, virtual-time, "
         "ripple=AMP@HZ, noise=SIGMA, step=AMP@INDEX or seed=N"},
        {"dcv;\n\x1b]0;x\a", "dcv;\\n\\x1b]0;x\\x07",
         "entry 2 has unknown profile \"\\x1b]0\"" + kProfiles},
        {std::string(300, 'x'), std::string(200, 'x') + "...",
         "entry 1 has unknown profile \"" + std::string(40, 'x') + "...\"" + kProfiles},
    };
    for (const Case& c : kCases) {
        SimRegistry registry;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(registry.MetersFor(c.text.c_str()).empty());
        EXPECT_TRUE(registry.MetersFor(c.text.c_str()).empty());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "zvisa: ZVISA_SIM=\"" + c.printedValue +
                                                              "\" is not valid: " + c.reason +
                                                              ". No simulated meter is offered.\n");
    }
}

}  // namespace
