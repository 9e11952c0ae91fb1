// The rules a reliability figure rests on: a wrong one makes a figure hold
// that should not (an "outside" target that lies inside the prefix, a lost
// message counted as delivered), or refuses a run that is fine.
#include "tools/reliability/RegistryDiff.h"
#include "tools/reliability/Tally.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace reliability;

TEST(RegistryDiff, ReportsEveryChangeOutsideThePrefixAndCountsThoseInside) {
    const std::string prefix = "SOFTWARE\\Orx\\Allowed";
    EXPECT_TRUE(IsUnderPrefix("software\\orx\\ALLOWED|v", prefix));
    EXPECT_TRUE(IsUnderPrefix("SOFTWARE\\Orx\\Allowed\\Sub|v", prefix));
    EXPECT_FALSE(IsUnderPrefix("SOFTWARE\\Orx\\AllowedMore|v", prefix));
    EXPECT_FALSE(IsUnderPrefix("SOFTWARE\\Orx|Allowed", prefix));

    const RegistryImage before = {{"SOFTWARE\\Orx", 0}, {"SOFTWARE\\Orx|Kept", 1}, {"SOFTWARE\\Orx|Gone", 2},
                                  {"SOFTWARE\\Orx\\Allowed|Old", 3}};
    const RegistryImage after = {{"SOFTWARE\\Orx", 0},          {"SOFTWARE\\Orx|Kept", 9},
                                 {"SOFTWARE\\Orx\\New", 0},     {"SOFTWARE\\Orx\\Allowed", 0},
                                 {"SOFTWARE\\Orx\\Allowed|New", 4}};
    const RegistryChanges changes = CompareImages(before, after, prefix);
    EXPECT_EQ((std::vector<std::string>{"added SOFTWARE\\Orx\\New", "changed SOFTWARE\\Orx|Kept",
                                        "removed SOFTWARE\\Orx|Gone"}),
              changes.outside);
    EXPECT_EQ(3u, changes.inside);
    EXPECT_NE(ValueDigest(REG_SZ, reinterpret_cast<const unsigned char*>("a"), 1),
              ValueDigest(REG_BINARY, reinterpret_cast<const unsigned char*>("a"), 1));
}

TEST(Tally, DeliveryBalanceEventRecordsAndCrashReports) {
    // 1 delivered, 2 refused, 3 lost, 4 refused yet delivered; 5 sent after the count.
    const Delivery delivery = CompareDelivery({true, false, true, false}, {false, true, false, false, true, true});
    EXPECT_EQ(2u, delivery.sentOk);
    EXPECT_EQ(2u, delivery.refused);
    EXPECT_EQ(1u, delivery.delivered);
    EXPECT_EQ(1u, delivery.lost);
    EXPECT_EQ(1u, delivery.unexpected);
    EXPECT_EQ(2u, CountOccurrences("[3003] a [3003][30030] [300]", EventTag(3003)));

    const std::string log = "wine: Unhandled page fault at 0000\r\nrest\nwine: Unhandled exception 0xc0000005\n";
    EXPECT_EQ("wine: Unhandled page fault at 0000", FirstCrashReport(log, 0));
    EXPECT_EQ("wine: Unhandled exception 0xc0000005", FirstCrashReport(log, 10));  // only what came after the mark
    EXPECT_EQ("", FirstCrashReport(log, log.size()));
}
