#include "run/LatestRun.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(LatestRunTest, NestingAndReadingCounts) {
    enum Step { kBegin, kEnd, kReading };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool filling;
        bool overlapped;
        std::size_t readings;  // of the latest run
    };
    const Case cases[] = {
        {"never run", {}, false, false, 0},
        {"one run", {kBegin, kReading, kReading, kEnd}, false, false, 2},
        {"still filling", {kBegin, kReading}, true, false, 1},
        {"second run counts afresh",
         {kBegin, kReading, kReading, kEnd, kBegin, kReading, kEnd},
         false,
         false,
         1},
        {"nested", {kBegin, kReading, kBegin, kReading, kEnd}, true, true, 1},
        // The outer run's last reading goes into its own record.
        {"nested, both done",
         {kBegin, kReading, kBegin, kReading, kEnd, kReading, kEnd},
         false,
         true,
         1},
        {"clean run after nesting",
         {kBegin, kBegin, kEnd, kEnd, kBegin, kReading, kEnd},
         false,
         false,
         1},
        {"stray end", {kEnd, kBegin, kReading}, true, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LatestRun runs;
        // The records of the runs under way, innermost last, as their callers hold them.
        std::vector<std::shared_ptr<RunRecord>> running;
        for (Step step : c.steps) {
            if (step == kBegin) {
                running.push_back(runs.Begin(0));
            } else if (step == kEnd) {
                runs.End();
                if (!running.empty()) {
                    running.pop_back();
                }
            } else {
                running.back()->AddReading(1.5f, "0", "1.500000");
            }
        }
        EXPECT_EQ(runs.IsFilling(), c.filling);
        EXPECT_EQ(runs.Overlapped(), c.overlapped);
        EXPECT_EQ(runs.Record().ReadingCount(), c.readings);
    }
}

}  // namespace
