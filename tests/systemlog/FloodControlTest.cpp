// The flood window on its own, with the time passed in.
#include "systemlog/FloodControl.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace systemlog;

// Steps of (count, at, outcome): `count` lines admitted `at` seconds after
// the start, and what became of them: "W<written> R<reports>(<peak>)
// D<dropped>", the parts that are zero left out. Threshold 6 (the file
// output) has the limit 2000, threshold 7 (with the syslog output) 4000.
TEST(FloodControl, WindowsAboveTheLimitGiveOneReportEachAndAWindowAtTheLimitChangesNothing) {
    using Steps = std::vector<std::tuple<int, int64_t, const char*>>;
    const std::pair<int32_t, Steps> scenarios[] = {
        {6, {{2001, 0, "W2001"}, {1, 2, "R1(2001)"}, {100, 3, "D100"}, {1, 4, "W1"}}},
        {6, {{2000, 0, "W2000"}, {1, 1, "W1"},  // a window lasts until two seconds have passed
             {1, 3, "R1(2001)"}, {1999, 3, "D1999"},  // exactly 2000 in this window ...
             {1, 5, "D1"},                           // ... so the state stays as it was
             {2500, 5, "D2500"}, {10, 7, "R1(2501) D9"}, {1, 9, "W1"}}},
        {7, {{4000, 0, "W4000"}, {1, 2, "W1"}, {4000, 2, "W4000"}, {1, 4, "R1(4001)"}}},
    };
    for (const auto& [threshold, steps] : scenarios) {
        FloodControl flood;
        for (const auto& [count, at, outcome] : steps) {
            int written = 0, reports = 0, dropped = 0;
            uint32_t peak = 0;
            for (int i = 0; i < count; ++i) {
                const FloodVerdict verdict = flood.Admit(1764890000 + at, FloodLimit(threshold));
                written += verdict.kind == FloodVerdict::Write;
                dropped += verdict.kind == FloodVerdict::Drop;
                reports += verdict.kind == FloodVerdict::Report;
                if (verdict.kind == FloodVerdict::Report) peak = verdict.peak;
            }
            std::string got;
            if (written) got += " W" + std::to_string(written);
            if (reports) got += " R" + std::to_string(reports) + "(" + std::to_string(peak) + ")";
            if (dropped) got += " D" + std::to_string(dropped);
            EXPECT_EQ(outcome, got.substr(1)) << count << " lines at +" << at << " s, threshold " << threshold;
        }
    }
}
