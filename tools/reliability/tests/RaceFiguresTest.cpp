// The rules of the race and stop figures: a wrong one makes a figure hold
// that should not (a try that saw two daemons, or none, or a leak of one
// thread per round), or runs other sizes than asked for.
#include "tools/reliability/DaemonCounts.h"
#include "tools/reliability/Options.h"
#include "tools/reliability/ThreadsAndHandles.h"

#include <gtest/gtest.h>

using namespace reliability;

TEST(DaemonCounts, OnlyExactlyOneDaemonInEveryTryHolds) {
    EXPECT_TRUE(EveryTryCounted({1, 1, 1}, 1));
    EXPECT_EQ("at most 1 in 3 tries (forged state)", AtMostOneText({1, 1, 1}, "forged state"));
    // Two at once is the fault; none at all is a request that was not served.
    EXPECT_FALSE(EveryTryCounted({1, 2, 1}, 1));
    EXPECT_FALSE(EveryTryCounted({1, 0, 1}, 1));
    EXPECT_FALSE(EveryTryCounted({}, 1));
    EXPECT_EQ("at most 1 in 2 of 5 tries (simultaneous starts; 2 in 2 tries, 0 in 1 try)",
              AtMostOneText({1, 2, 0, 2, 1}, "simultaneous starts"));

    EXPECT_TRUE(EveryTryCounted({0, 0}, 0));
    EXPECT_EQ("0 daemons left in 2", NoneLeftText({0, 0}));
    EXPECT_FALSE(EveryTryCounted({0, 1}, 0));
    EXPECT_EQ("0 daemons left in 1 of 3 (2 in 1 try, 1 in 1 try)", NoneLeftText({0, 1, 2}));
}

TEST(ThreadsAndHandles, BackWithinTenOfWhereTheyStartedEitherWay) {
    const ThreadsAndHandles before{true, 12, 80};
    EXPECT_TRUE(BackWhereTheyStarted(before, {true, 22, 70}));
    EXPECT_FALSE(BackWhereTheyStarted(before, {true, 23, 80}));  // a thread a round
    EXPECT_FALSE(BackWhereTheyStarted(before, {true, 12, 91}));
    EXPECT_FALSE(BackWhereTheyStarted(before, {true, 1, 80}));   // the service lost its threads
    EXPECT_FALSE(BackWhereTheyStarted(before, {false, 12, 80}));  // the process was gone
    EXPECT_FALSE(BackWhereTheyStarted({false, 12, 80}, before));
    EXPECT_EQ("threads 12 -> 13, handles 80 -> 79", CountsText(before, {true, 13, 79}));
    EXPECT_EQ("threads 12 -> -, handles 80 -> -", CountsText(before, {}));
}

TEST(Options, RaceAndStopTriesFollowTheFormAndTheirSwitches) {
    const Options full = ParseOptions({});
    EXPECT_EQ(50u, full.sizes.atOnceTries);
    EXPECT_EQ(50u, full.sizes.launchStops);
    EXPECT_EQ(50u, full.sizes.watchedGuiStops);

    // Counts given before --short still win over it.
    const Options shortRun = ParseOptions({"--launch-stops", "7", "--short"});
    EXPECT_TRUE(shortRun.error.empty()) << shortRun.error;
    EXPECT_EQ(5u, shortRun.sizes.atOnceTries);
    EXPECT_EQ(7u, shortRun.sizes.launchStops);
    EXPECT_EQ(5u, shortRun.sizes.watchedGuiStops);
    EXPECT_EQ(9u, ParseOptions({"--at-once", "9"}).sizes.atOnceTries);
    EXPECT_EQ(3u, ParseOptions({"--gui-stops", "3"}).sizes.watchedGuiStops);
    EXPECT_FALSE(ParseOptions({"--gui-stops", "0"}).error.empty());

    const Options only = ParseOptions({"--only", "daemons-at-once,stop-during-launch,stop-with-gui"});
    EXPECT_TRUE(only.error.empty()) << only.error;
    EXPECT_TRUE(only.Runs("stop-with-gui"));
    EXPECT_FALSE(only.Runs("daemon-crashes"));
}
