#include "run/RunRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Outcome = RunRecord::Outcome;

struct OutcomeCase {
    const char* name;
    bool readingsStarted;
    int readings;
    bool message;
    Outcome outcome;
};

void PrintTo(const OutcomeCase& c, std::ostream* os) {
    *os << c.name;
}

class OutcomeTest : public testing::TestWithParam<OutcomeCase> {};

TEST_P(OutcomeTest, FollowsWhatTheRunShowed) {
    const OutcomeCase& c = GetParam();
    RunRecord record;
    if (c.readingsStarted) {
        record.StartReadings(c.readings);
    }
    for (int k = 0; k < c.readings; ++k) {
        record.AddReading(1.5f, std::to_string(k), "1.500000");
    }
    if (c.message) {
        record.AddMessage("a message");
    }
    EXPECT_EQ(record.RunOutcome(), c.outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, OutcomeTest,
    testing::Values(OutcomeCase{"all_readings", true, 3, false, Outcome::kComplete},
                    OutcomeCase{"short_block", true, 3, true, Outcome::kReadingsMissing},
                    OutcomeCase{"empty_block", true, 0, true, Outcome::kReadingsMissing},
                    OutcomeCase{"no_rows_no_message", true, 0, false, Outcome::kReadingsMissing},
                    OutcomeCase{"stopped_with_message", false, 0, true,
                                Outcome::kStoppedBeforeReadings},
                    OutcomeCase{"nothing_shown", false, 0, false, Outcome::kStoppedBeforeReadings}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

}  // namespace
