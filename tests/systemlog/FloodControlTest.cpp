// The flood window on its own, with the time passed in.
#include "FloodControl.h"

#include <gtest/gtest.h>

using namespace systemlog;

namespace {

constexpr int64_t kT0 = 1764890000;
constexpr int32_t kInfo = 6;
constexpr int32_t kDebug = 7;

// Admits `count` lines at `now` and counts how each fared.
struct Tally {
    int written = 0, reported = 0, dropped = 0;
    uint32_t lastPeak = 0;
};
Tally AdmitMany(FloodControl& flood, int count, int64_t now, int32_t threshold) {
    Tally tally;
    for (int i = 0; i < count; ++i) {
        const FloodVerdict v = flood.Admit(now, threshold);
        if (v.kind == FloodVerdict::Write) ++tally.written;
        if (v.kind == FloodVerdict::Report) { ++tally.reported; tally.lastPeak = v.peak; }
        if (v.kind == FloodVerdict::Drop) ++tally.dropped;
    }
    return tally;
}

}  // namespace

TEST(FloodControl, TwoThousandAndOneLinesThenOneMoreTwoSecondsLaterIsReplacedByOneReport) {
    FloodControl flood;
    EXPECT_EQ(2001, AdmitMany(flood, 2001, kT0, kInfo).written);

    const FloodVerdict late = flood.Admit(kT0 + 2, kInfo);
    EXPECT_EQ(FloodVerdict::Report, late.kind);
    EXPECT_EQ(2001u, late.peak);
    EXPECT_EQ(FloodState::Reported, flood.State());

    // The rest of that window is dropped ...
    EXPECT_EQ(100, AdmitMany(flood, 100, kT0 + 3, kInfo).dropped);
    // ... and after a window with fewer than 2000 lines, lines are written again.
    EXPECT_EQ(FloodVerdict::Write, flood.Admit(kT0 + 4, kInfo).kind);
    EXPECT_EQ(FloodState::Normal, flood.State());
}

TEST(FloodControl, AWindowLastsUntilTwoSecondsHavePassedOnTheSecondsClock) {
    FloodControl flood;
    AdmitMany(flood, 2001, kT0, kInfo);
    EXPECT_EQ(FloodVerdict::Write, flood.Admit(kT0 + 1, kInfo).kind);  // same window
    EXPECT_EQ(2002u, flood.LinesInWindow());
}

TEST(FloodControl, WithDebugLinesTheLimitIs4000) {
    FloodControl exact;
    AdmitMany(exact, 4000, kT0, kDebug);
    EXPECT_EQ(FloodVerdict::Write, exact.Admit(kT0 + 2, kDebug).kind);

    FloodControl over;
    AdmitMany(over, 4001, kT0, kDebug);
    const FloodVerdict v = over.Admit(kT0 + 2, kDebug);
    EXPECT_EQ(FloodVerdict::Report, v.kind);
    EXPECT_EQ(4001u, v.peak);
}

TEST(FloodControl, AWindowEndingExactlyAtTheLimitLeavesTheStateAsItWas) {
    FloodControl flood;
    AdmitMany(flood, 2001, kT0, kInfo);
    ASSERT_EQ(FloodVerdict::Report, flood.Admit(kT0 + 2, kInfo).kind);
    AdmitMany(flood, 1999, kT0 + 2, kInfo);  // with the report: exactly 2000 in this window

    EXPECT_EQ(FloodVerdict::Drop, flood.Admit(kT0 + 4, kInfo).kind);
    EXPECT_EQ(FloodState::Reported, flood.State());
}

TEST(FloodControl, EachFurtherWindowAboveTheLimitGivesOneReportWithTheLargestCountSinceTheLast) {
    FloodControl flood;
    AdmitMany(flood, 2001, kT0, kInfo);
    ASSERT_EQ(FloodVerdict::Report, flood.Admit(kT0 + 2, kInfo).kind);
    const Tally dropped = AdmitMany(flood, 2499, kT0 + 2, kInfo);  // 2500 in this window
    EXPECT_EQ(2499, dropped.dropped);

    const Tally next = AdmitMany(flood, 10, kT0 + 4, kInfo);
    EXPECT_EQ(1, next.reported);
    EXPECT_EQ(2500u, next.lastPeak);
    EXPECT_EQ(9, next.dropped);
}
