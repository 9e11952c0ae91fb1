// Pure formatting: names, line, record, file name and path, change of day,
// the syslog datagram and the event-log mapping.
#include "EventLogSink.h"
#include "LogFormat.h"
#include "SyslogDatagram.h"
#include "SystemLogSettings.h"

#include <gtest/gtest.h>

#include <string>

using namespace systemlog;

namespace {

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME t{};
    t.wYear = y; t.wMonth = mo; t.wDay = d; t.wHour = h; t.wMinute = mi; t.wSecond = s; t.wMilliseconds = ms;
    return t;
}

std::string Line(uint8_t facility, int32_t level, unsigned long thread, const std::string& message) {
    char out[kLineSize];
    ComposeLine(facility, level, thread, message.c_str(), out, sizeof out);
    return out;
}

}  // namespace

TEST(LogFormat, LevelNamesAreEightCharactersAndOnlyZeroToSevenHaveOne) {
    const char* expected[] = {"Emerg   ", "Alert   ", "Critical", "Error   ",
                              "Warning ", "Notice  ", "Info    ", "Debug   "};
    for (int32_t level = 0; level < 8; ++level) EXPECT_STREQ(expected[level], LevelName(level));
    EXPECT_EQ(nullptr, LevelName(-1));
    EXPECT_EQ(nullptr, LevelName(8));
    EXPECT_EQ(nullptr, LevelName(INT32_MIN));
}

TEST(LogFormat, FacilityNamesAreRightAlignedAndEightOrMoreIsStarter) {
    const char* expected[] = {"Starter", "    GUI", "    IKE", " Facil3", " Facil4", " Facil5", " Facil6", " Facil7"};
    for (uint8_t facility = 0; facility < 8; ++facility) EXPECT_STREQ(expected[facility], FacilityName(facility));
    EXPECT_STREQ("Starter", FacilityName(8));
    EXPECT_STREQ("Starter", FacilityName(255));
    EXPECT_EQ(0, PrintedFacility(9));
}

TEST(LogFormat, LineHasPrefixThreadAtLeastFourDigitsAndMessage) {
    EXPECT_EQ("Starter.Notice  \t[1234]\t[1001] text", Line(0, 5, 1234, "[1001] text"));
    EXPECT_EQ("    GUI.Error   \t[0007]\tx", Line(1, 3, 7, "x"));
    EXPECT_EQ("    IKE.Debug   \t[123456]\tx", Line(2, 7, 123456, "x"));
    EXPECT_EQ("Starter.Warning \t[0042]\tx", Line(12, 4, 42, "x"));
    EXPECT_EQ("", Line(0, 8, 1, "x"));  // no name, no line
}

TEST(LogFormat, LongMessageIsCutSoThatTheLineHolds1023Characters) {
    const std::string line = Line(0, 5, 1234, std::string(2000, 'm'));
    EXPECT_EQ(1023u, line.size());
    EXPECT_EQ("Starter.Notice  \t[1234]\tmmm", line.substr(0, 27));
}

TEST(LogFormat, TimestampAndRecord) {
    char timestamp[kTimestampSize];
    FormatTimestamp(At(2026, 12, 5, 0, 21, 32, 123), timestamp, sizeof timestamp);
    EXPECT_STREQ("20261205 00:21:32:123 ", timestamp);
    char record[kRecordSize];
    ComposeRecord(timestamp, "Starter.Notice  \t[1234]\t[1001] t", record, sizeof record);
    EXPECT_STREQ("20261205 00:21:32:123 \tStarter.Notice  \t[1234]\t[1001] t", record);
}

TEST(LogFormat, FileNameAndPath) {
    char name[kFileNameSize];
    ASSERT_TRUE(FormatFileName(At(2026, 12, 5), "ORXSystemLog", name, sizeof name));
    EXPECT_STREQ("2026-12-05-ORXSystemLog.log", name);
    char cut[kFileNameSize];
    EXPECT_FALSE(FormatFileName(At(2026, 12, 5), std::string(90, 's').c_str(), cut, sizeof cut));

    char path[kPathSize];
    ASSERT_TRUE(JoinFilePath("C:\\Data\\LogFiles/System", name, path, sizeof path));
    EXPECT_STREQ("C:\\Data\\LogFiles/System\\2026-12-05-ORXSystemLog.log", path);
    ASSERT_TRUE(JoinFilePath("C:\\Data\\", name, path, sizeof path));
    EXPECT_STREQ("C:\\Data\\2026-12-05-ORXSystemLog.log", path);  // no second backslash
}

TEST(LogFormat, FilePathOfMoreThan258CharactersIsRefused) {
    const std::string name = "2026-12-05-ORXSystemLog.log";  // 27 characters
    char path[kPathSize];
    const std::string fits(258 - 1 - name.size(), 'd');
    EXPECT_TRUE(JoinFilePath(fits.c_str(), name.c_str(), path, sizeof path));
    EXPECT_EQ(258u, std::string(path).size());
    const std::string tooLong = fits + "d";
    EXPECT_FALSE(JoinFilePath(tooLong.c_str(), name.c_str(), path, sizeof path));
    EXPECT_STREQ("", path);
}

TEST(LogFormat, DayChangeRewritesOnlyTheDateAfterTheLastBackslash) {
    char path[] = "C:\\2026-12-05\\LogFiles/System\\2026-12-05-ORXSystemLog.log";
    EXPECT_FALSE(ApplyDayChange(path, "2026-12-05"));
    EXPECT_TRUE(ApplyDayChange(path, "2026-12-06"));
    EXPECT_STREQ("C:\\2026-12-05\\LogFiles/System\\2026-12-06-ORXSystemLog.log", path);
    char odd[] = "C:\\short";
    EXPECT_FALSE(ApplyDayChange(odd, "2026-12-06"));
    EXPECT_STREQ("C:\\short", odd);
}

TEST(LogFormat, SystemLogDirectoryJoinsDataDirectoryWithOneSeparator) {
    char dir[kSystemLogDirSize];
    JoinSystemLogDirectory("C:\\ProgramData\\A\\B", dir, sizeof dir);
    EXPECT_STREQ("C:\\ProgramData\\A\\B\\LogFiles/System", dir);
    JoinSystemLogDirectory("C:\\ProgramData\\A\\B\\", dir, sizeof dir);
    EXPECT_STREQ("C:\\ProgramData\\A\\B\\LogFiles/System", dir);
    JoinSystemLogDirectory("", dir, sizeof dir);
    EXPECT_STREQ("LogFiles/System", dir);
}

TEST(SyslogDatagram, PriorityIsLocal0PlusFacilityTimesEightPlusLevel) {
    EXPECT_EQ(133u, SyslogPriority(kSyslogFacilityLocal0, 0, 5));
    EXPECT_EQ(139u, SyslogPriority(kSyslogFacilityLocal0, 1, 3));
    EXPECT_EQ(151u, SyslogPriority(kSyslogFacilityLocal0, 2, 7));
    EXPECT_EQ(128u, SyslogPriority(kSyslogFacilityLocal0, 0, 0));
    EXPECT_EQ(191u, SyslogPriority(kSyslogFacilityLocal0, 7, 7));
}

TEST(SyslogDatagram, HeaderLineAndOneNul) {
    char out[kDatagramSize];
    const std::string line = "Starter.Notice  \t[1234]\t[1001] hello";
    const size_t length = ComposeDatagram(133, "OrxStarter", line.c_str(), out);
    EXPECT_EQ(18 + line.size(), length);
    EXPECT_EQ("<133> OrxStarter " + line + std::string(1, '\0'), std::string(out, length));
}

TEST(SyslogDatagram, TextBeforeTheNulIsCutAt1022Characters) {
    char out[kDatagramSize];
    const size_t length = ComposeDatagram(191, "OrxStarter", std::string(1023, 'x').c_str(), out);
    EXPECT_EQ(1023u, length);
    EXPECT_EQ('x', out[1021]);
    EXPECT_EQ('\0', out[1022]);
}

TEST(EventLogMapping, TypeAndIdentifierFollowTheLevel) {
    for (int32_t level : {0, 1, 2, 3}) {
        const EventLogRecord r = MapEventLogRecord(1001, 0, level);
        EXPECT_EQ(EVENTLOG_ERROR_TYPE, r.type) << level;
        EXPECT_EQ(0xC0020000u | 1001u, r.eventId) << level;
    }
    const EventLogRecord warning = MapEventLogRecord(3007, 2, 4);
    EXPECT_EQ(EVENTLOG_WARNING_TYPE, warning.type);
    EXPECT_EQ(0x80020000u + 3007u, warning.eventId);
    for (int32_t level : {5, 6, 7}) {
        const EventLogRecord r = MapEventLogRecord(2001, 1, level);
        EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, r.type) << level;
        EXPECT_EQ(0x40020000u | 2001u, r.eventId) << level;
    }
    EXPECT_EQ(0x40020000u | 0x2345u, MapEventLogRecord(0x12345, 0, 6).eventId);  // low 16 bits only
}

TEST(EventLogMapping, CategoryIsFacilityPlusOneOrNine) {
    for (uint8_t facility = 0; facility < 8; ++facility) {
        EXPECT_EQ(facility + 1, MapEventLogRecord(1, facility, 5).category);
    }
    EXPECT_EQ(9, MapEventLogRecord(1, 8, 5).category);
    EXPECT_EQ(9, MapEventLogRecord(1, 9, 5).category);
    EXPECT_EQ(9, MapEventLogRecord(1, 255, 5).category);
}
