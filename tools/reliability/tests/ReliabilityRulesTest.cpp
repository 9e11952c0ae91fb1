// The rules a reliability figure rests on: a wrong one makes a figure hold
// that should not (an "outside" target that lies inside the prefix, a lost
// message counted as delivered), or refuses a run that is fine.
#include "common/orxinterps/src/ipcmsg.h"
#include "tools/reliability/Figure.h"
#include "tools/reliability/FuzzMessages.h"
#include "tools/reliability/Options.h"
#include "tools/reliability/RegistryDiff.h"
#include "tools/reliability/Tally.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace reliability;

namespace {

uint32_t WordAt(const std::vector<unsigned char>& bytes, size_t offset) {
    uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

}  // namespace

TEST(FuzzMessages, CoverTheRangeRepeatablyAndKeepTheCredentialProviderOut) {
    FuzzSource source(7), again(7);
    std::set<size_t> lengths;
    unsigned forged = 0, unknown = 0, inside = 0, outside = 0;
    for (int i = 0; i < 20000; ++i) {
        const FuzzMessage message = source.Next();
        const FuzzMessage twin = again.Next();
        ASSERT_EQ(twin.bytes, message.bytes);
        if (message.forged) {
            ++forged;
            EXPECT_GT(message.forgedLength, IPC_MAX_MSG_SIZE);
            continue;
        }
        ASSERT_LE(message.bytes.size(), IPC_MAX_MSG_SIZE);
        lengths.insert(message.bytes.size());
        if (message.bytes.size() < 4) continue;
        const uint32_t type = WordAt(message.bytes, 0);
        EXPECT_FALSE(KeptOutOfFuzz(type)) << type;
        unknown += IpcMsgName(type) == nullptr;
        if (message.aim == RegistryAim::None) continue;
        const std::string path(reinterpret_cast<const char*>(message.bytes.data()) + 16);
        ASSERT_NE(std::string::npos, path.find('|')) << path;
        const bool under = IsUnderPrefix(path, kAllowedPrefix);
        EXPECT_EQ(message.aim == RegistryAim::Inside, under) << path;
        ++(under ? inside : outside);
    }
    EXPECT_TRUE(lengths.count(0) && lengths.count(3) && lengths.count(4) && lengths.count(IPC_MAX_MSG_SIZE));
    EXPECT_GT(lengths.size(), 600u);
    EXPECT_GT(forged, 100u);
    EXPECT_GT(unknown, 3000u);
    EXPECT_GT(inside, 20u);
    EXPECT_GT(outside, 20u);
    for (const std::string& target : OutsideTargets()) EXPECT_FALSE(IsUnderPrefix(target, kAllowedPrefix)) << target;
    EXPECT_NE(FuzzSource(8).Next().bytes, FuzzSource(7).Next().bytes);
}

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
