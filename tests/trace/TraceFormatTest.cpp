#include "DebugTrace.h"

#include <gtest/gtest.h>

#include <string>

using namespace trace_format;

namespace {

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
    SYSTEMTIME t{};
    t.wYear = y; t.wMonth = mo; t.wDay = d; t.wHour = h; t.wMinute = mi; t.wSecond = s; t.wMilliseconds = ms;
    return t;
}

std::string Compose(Channel channel, const char* ts, const char* tag, const char* path, const std::string& msg) {
    char out[TRACE_LINE_SIZE];
    ComposeLine(channel, ts, tag, 1234, path, 75, msg.c_str(), out, sizeof out);
    return out;
}

}  // namespace

TEST(TraceFormat, TimestampsOfBothChannels) {
    char ts[26];
    Timestamp(At(2026, 12, 5, 0, 21, 32, 123), false, ts, sizeof ts);
    EXPECT_STREQ("20261205 00:21:32:123", ts);
    Timestamp(At(2026, 1, 2, 3, 4, 5, 6), true, ts, sizeof ts);
    EXPECT_STREQ("20260102 03:04:05:006 ", ts);
}

TEST(TraceFormat, SourceNameIsWhatFollowsTheLastBackslash) {
    EXPECT_STREQ("alpha.src", SourceName("D:\\work\\src\\alpha.src"));
    EXPECT_STREQ("alpha.src", SourceName("alpha.src"));
    EXPECT_STREQ("\\alpha.src", SourceName("\\alpha.src"));  // its only backslash is its first character
    EXPECT_STREQ("", SourceName("D:\\work\\"));
    EXPECT_STREQ("", SourceName(""));
}

TEST(TraceFormat, ServiceAndIpcLines) {
    EXPECT_EQ("20261205 00:21:32:123 [VPNSTARTER64][1234] (alpha.src:75) => CService::Run...\n",
              Compose(Channel::Service, "20261205 00:21:32:123", "[VPNSTARTER64]", "D:\\src\\alpha.src",
                      "=> CService::Run..."));
    // Without file output the timestamp is empty: a leading blank, or the tag's bracket.
    EXPECT_EQ(" [VPNSTARTER64][1234] (alpha.src:75) x\n",
              Compose(Channel::Service, "", "[VPNSTARTER64]", "alpha.src", "x\n"));
    EXPECT_EQ("[INTERPS][1234] (interps.cpp:75) => IPCSendMsg\n",
              Compose(Channel::Ipc, "", "INTERPS", "c:\\interps.cpp", "=> IPCSendMsg"));
    EXPECT_EQ("20261205 00:21:32:123 [INTERPS][1234] (i.c:75) y\n",
              Compose(Channel::Ipc, "20261205 00:21:32:123 ", "INTERPS", "i.c", "y"));
}

TEST(TraceFormat, OneLineFeedWhetherOrNotTheFormatHadOne) {
    const std::string withFeed = Compose(Channel::Service, "", "t", "f", "a\n");
    const std::string without = Compose(Channel::Service, "", "t", "f", "a");
    EXPECT_EQ(withFeed, without);
    EXPECT_EQ(withFeed.find('\n'), withFeed.size() - 1);
}

TEST(TraceFormat, OverlongLinesAreCutToTheirBuffer) {
    const std::string longMessage(700, 'x');
    const std::string line = Compose(Channel::Service, "", "[VPNSTARTER64]", "f.cpp", longMessage);
    ASSERT_EQ(511u, line.size());  // 510 characters and the line feed
    EXPECT_EQ('\n', line.back());
    EXPECT_EQ('x', line[509]);
    // A message that exactly fills the line keeps its own line feed.
    const std::string prefix = " [VPNSTARTER64][1234] (f.cpp:75) ";
    const std::string exact(510 - prefix.size(), 'y');
    EXPECT_EQ(prefix + exact + "\n", Compose(Channel::Service, "", "[VPNSTARTER64]", "f.cpp", exact + "\n"));
}

TEST(TraceFormat, TraceFileNameCarriesTheDate) {
    char name[64];
    TraceFileName(At(2026, 12, 5, 0, 0, 0, 0), name, sizeof name);
    EXPECT_STREQ("2026-12-05-vpnstarterdbg.log", name);
}

TEST(TraceFormat, StarterLogFileBytes) {
    const unsigned char one[] = {3};
    const unsigned char two[] = {2, 1};
    const unsigned char dword[] = {2, 0, 0, 0};
    const unsigned char dwordHigh[] = {1, 0, 0, 7};
    EXPECT_EQ(3u, FlagsFromRegistryBytes(one, 1));
    EXPECT_EQ(0x102u, FlagsFromRegistryBytes(two, 2));
    EXPECT_EQ(2u, FlagsFromRegistryBytes(dword, 4));
    EXPECT_EQ(1u, FlagsFromRegistryBytes(dwordHigh, 4));
    EXPECT_EQ(0u, FlagsFromRegistryBytes(nullptr, 0));
}
