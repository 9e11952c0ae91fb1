// The rules a reliability figure rests on: a wrong one makes a figure hold
// that should not (an "outside" target that lies inside the prefix, a lost
// message counted as delivered), or refuses a run that is fine.
#include "common/orxinterps/src/ipcmsg.h"
#include "tools/reliability/FuzzMessages.h"
#include "tools/reliability/RegistryDiff.h"
#include "tools/reliability/Tally.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>

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
    const RegistryChanges changes = CompareImages(before, after, {{prefix}, {}, {}, {}});
    EXPECT_EQ((std::vector<std::string>{"added SOFTWARE\\Orx\\New", "changed SOFTWARE\\Orx|Kept",
                                        "removed SOFTWARE\\Orx|Gone"}),
              changes.outside);
    EXPECT_EQ(3u, changes.inside);

    // A protected value under an allowed prefix is outside whatever the
    // prefix; the by-design keys are counted apart.
    const RegistryImage appBefore = {{"SOFTWARE\\App|Path", 1}, {"SOFTWARE\\App|Other", 1}};
    const RegistryImage appAfter = {{"SOFTWARE\\App|Path", 2}, {"SOFTWARE\\App|Other", 2},
                                    {"SOFTWARE\\Classes\\CLSID\\{X}", 0}};
    const RegistryChanges app = CompareImages(appBefore, appAfter, {{"SOFTWARE\\App"}, {"software\\app|PATH"},
                                                                    {"SOFTWARE\\Classes\\CLSID\\{X}"}, {}});
    EXPECT_EQ(std::vector<std::string>{"changed SOFTWARE\\App|Path"}, app.outside);
    EXPECT_EQ(1u, app.inside);
    EXPECT_EQ(1u, app.byDesign);
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

// A record split by a text's own line break leaves a line that is no record,
// or the forged record itself; escaped, it stays inside its line.
TEST(Tally, SystemLogLinesAreJudgedAsRecords) {
    const std::string record = "20260101 10:00:00:000 \tStarter.Notice  \t[0042]\t[1001] text";
    const std::string forged = "20261205 00:21:32:123 \tStarter.Notice  \t[1234]\t[1001] forged record";
    const SystemLogLines fine = JudgeSystemLogLines(record + "\r\n" + record + " peer\\x0D\\x0A" + forged + "\r\n", forged);
    EXPECT_EQ(2u, fine.lines);
    EXPECT_EQ(0u, fine.malformed);
    EXPECT_EQ(0u, fine.forged);
    EXPECT_EQ(1u, fine.escaped);
    const SystemLogLines split =
        JudgeSystemLogLines(record + " peer\r\n" + forged + "\r\nrest\r\n" + record + " a\rb\r\n" + record, forged);
    EXPECT_EQ(4u, split.lines);
    EXPECT_EQ(3u, split.malformed) << "what followed a line break, a raw CR, a last line without its end";
    EXPECT_EQ(1u, split.forged);
}

// The fuzz never launches or stops the daemon at random (the episodes do, a
// few dozen times a run), and draws texts with control characters, the
// credential provider's messages and the protected values.
TEST(FuzzSource, LifecycleCodesOnlyInEpisodesAndEveryHostileKindDrawn) {
    FuzzSource source(1234);
    size_t texts = 0, credentialProvider = 0, protectedAims = 0;
    for (int i = 0; i < 20000; ++i) {
        const FuzzMessage message = source.Next();
        if (message.bytes.size() < 4) continue;
        uint32_t type = 0;
        std::memcpy(&type, message.bytes.data(), 4);
        EXPECT_FALSE(IsLifecycleCode(type)) << std::hex << type;
        texts += message.controlText;
        credentialProvider += type == ORXCREDPROV_REGISTER || type == ORXCREDPROV_UNREGISTER;
        protectedAims += message.aim == RegistryAim::Protected;
    }
    EXPECT_GT(texts, 1000u);
    EXPECT_GT(credentialProvider, 100u);
    EXPECT_GT(protectedAims, 10u);
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const std::string text = ControlText(random);
        EXPECT_EQ(std::string::npos, text.find_first_of(std::string("|\0", 2))) << "the text is a whole value name";
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return (c > 0 && c < 0x20) || c == 0x7F || c == '\\'; }));
    }
    EXPECT_EQ(3u, EpisodeCount(5000));
    EXPECT_EQ(53u, EpisodeCount(1000000));
    for (unsigned k = 0; k < 18; ++k) {
        const Episode episode = EpisodeAt(k);
        EXPECT_EQ(static_cast<EpisodeKind>(k % 3), episode.kind);
        EXPECT_TRUE(IsLifecycleCode(episode.forgedCode) && IsLifecycleCode(episode.launchCode));
    }
    EXPECT_NE(EpisodeAt(0).forgedCode, EpisodeAt(3).forgedCode) << "each forged code in turn";
}
