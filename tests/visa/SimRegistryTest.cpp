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

TEST(SimRegistryTest, ReportsAMalformedTextOnce) {
    SimRegistry registry;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(registry.MetersFor("dcv,bogus").empty());
    EXPECT_TRUE(registry.MetersFor("dcv,bogus").empty());
    const std::string printed = testing::internal::GetCapturedStderr();
    const std::string expected =
        "zvisa: ZVISA_SIM=\"dcv,bogus\" is not valid: entry 1 has unknown option \"bogus\", "
        "expected instant, truncate=N or virtual-time. No simulated meter is offered.\n";
    EXPECT_EQ(printed, expected);
}

}  // namespace
