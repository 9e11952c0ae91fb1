// The flood window on its own, with the time passed in.
#include "systemlog/FloodControl.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>

using namespace systemlog;

namespace {

constexpr int32_t kInfo = 6;   // the file output's threshold: limit 2000
constexpr int32_t kDebug = 7;  // with the syslog output: limit 4000

// Steps of (count, at, outcome): `count` lines admitted `at` seconds after the
// start, and what became of them: "W<written> R<reports>(<peak>) D<dropped>",
// the parts that are zero left out.
void ExpectOutcomes(int32_t threshold, std::initializer_list<std::tuple<int, int64_t, const char*>> steps) {
    FloodControl flood;
    for (const auto& [count, at, outcome] : steps) {
        int written = 0, reports = 0, dropped = 0;
        uint32_t peak = 0;
        for (int i = 0; i < count; ++i) {
            const FloodVerdict verdict = flood.Admit(1764890000 + at, threshold);
            written += verdict.kind == FloodVerdict::Write;
            dropped += verdict.kind == FloodVerdict::Drop;
            if (verdict.kind == FloodVerdict::Report) {
                ++reports;
                peak = verdict.peak;
            }
        }
        std::string got;
        if (written) got += " W" + std::to_string(written);
        if (reports) got += " R" + std::to_string(reports) + "(" + std::to_string(peak) + ")";
        if (dropped) got += " D" + std::to_string(dropped);
        EXPECT_EQ(outcome, got.substr(1)) << count << " lines at +" << at << " s";
    }
}

}  // namespace

TEST(FloodControl, TwoThousandAndOneLinesThenOneMoreTwoSecondsLaterIsReplacedByOneReport) {
    ExpectOutcomes(kInfo, {{2001, 0, "W2001"},
                           {1, 2, "R1(2001)"},
                           {100, 3, "D100"},  // the rest of that window is dropped
                           {1, 4, "W1"}});    // after a window below the limit, lines are written again
}

TEST(FloodControl, AWindowEndingExactlyAtTheLimitLeavesTheStateAndEachWindowAboveGivesOneReport) {
    ExpectOutcomes(kInfo, {{2000, 0, "W2000"},
                           {1, 1, "W1"},  // a window lasts until two seconds have passed
                           {1, 3, "R1(2001)"},
                           {1999, 3, "D1999"},  // exactly 2000 in this window ...
                           {1, 5, "D1"},        // ... so the state stays as it was
                           {2500, 5, "D2500"},
                           {10, 7, "R1(2501) D9"},  // the largest window count since the last report
                           {1, 9, "W1"}});
}

TEST(FloodControl, WithTheSyslogOutputTheLimitIs4000) {
    ExpectOutcomes(kDebug, {{4000, 0, "W4000"}, {1, 2, "W1"}, {4000, 2, "W4000"}, {1, 4, "R1(4001)"}});
}
