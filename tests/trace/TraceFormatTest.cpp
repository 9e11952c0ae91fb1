// The trace's pure formatting; the lines as written are checked in TraceChannelTest.
#include "orxstarter/trace/DebugTrace.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace trace_format;

TEST(TraceFormat, TimestampsOfBothChannels) {
    const SYSTEMTIME t{2026, 1, 5, 2, 3, 4, 5, 6};  // every field distinct, each one padded
    char ts[26];
    Timestamp(t, false, ts, sizeof ts);
    EXPECT_STREQ("20260102 03:04:05:006", ts);
    Timestamp(t, true, ts, sizeof ts);
    EXPECT_STREQ("20260102 03:04:05:006 ", ts);
}

// The channels' own line shapes are checked on the lines they write (TraceChannelTest).
TEST(TraceFormat, LinesAreCutToTheirBufferAndEndInOneLineFeed) {
    const std::string prefix = " t[1234] (f:75) ";  // 16 of the 510 characters a line keeps before its feed
    struct Case { const char* path; std::string message, line; };
    const Case cases[] = {
        {"f", std::string(700, 'x'), prefix + std::string(494, 'x') + "\n"},
        // A message that exactly fills the line keeps its own line feed.
        {"f", std::string(494, 'y') + "\n", prefix + std::string(494, 'y') + "\n"},
        {"f", std::string(495, 'y') + "\n", prefix + std::string(494, 'y') + "\n"},
        {"D:\\work\\", "z", " t[1234] (:75) z\n"},  // a path naming a directory leaves no file name
    };
    for (const Case& c : cases) {
        char out[TRACE_LINE_SIZE];
        EXPECT_EQ(c.line.size(), ComposeLine(Channel::Service, "", "t", 1234, c.path, 75, c.message.c_str(), out, sizeof out));
        EXPECT_EQ(c.line, out);
    }
}

TEST(TraceFormat, StarterLogFileBytesUpToTwoAreLittleEndianLongerOnesAreReadByTheLowByte) {
    const std::pair<std::vector<unsigned char>, uint32_t> cases[] = {
        {{3}, 3u}, {{2, 1}, 0x102u}, {{2, 0, 0, 0}, 2u}, {{1, 0, 0, 7}, 1u}, {{0, 1, 0, 0}, 0u}, {{}, 0u},
    };
    for (const auto& [bytes, flags] : cases) {
        EXPECT_EQ(flags, FlagsFromRegistryBytes(bytes.empty() ? nullptr : bytes.data(), bytes.size()));
    }
}
