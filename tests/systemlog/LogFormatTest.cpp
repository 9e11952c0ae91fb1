// Pure formatting: names, line, file path, the system log directory, the
// syslog datagram and the event-log mapping.
#include "systemlog/EventLogSink.h"
#include "systemlog/LogFormat.h"
#include "systemlog/SyslogDatagram.h"
#include "systemlog/SystemLogSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace systemlog;

namespace {

std::string Line(uint8_t facility, int32_t level, unsigned long thread, const std::string& message) {
    char out[kLineSize];
    ComposeLine(facility, level, thread, message.c_str(), out, sizeof out);
    return out;
}

}  // namespace

TEST(LogFormat, NamesAndLines) {
    std::string levels, facilities;
    for (int32_t level = 0; level < 8; ++level) levels += LevelName(level);
    for (uint8_t facility = 0; facility < 10; ++facility) facilities += FacilityName(facility) + std::string("|");
    EXPECT_EQ("Emerg   Alert   CriticalError   Warning Notice  Info    Debug   ", levels);
    EXPECT_EQ("Starter|    GUI|    IKE| Facil3| Facil4| Facil5| Facil6| Facil7|Starter|Starter|", facilities);

    const struct {
        uint8_t facility;
        int32_t level;
        unsigned long thread;
        const char* line;
    } cases[] = {
        {0, 5, 1234, "Starter.Notice  \t[1234]\tmsg"}, {1, 3, 7, "    GUI.Error   \t[0007]\tmsg"},
        {2, 7, 123456, "    IKE.Debug   \t[123456]\tmsg"}, {12, 4, 42, "Starter.Warning \t[0042]\tmsg"},
        {0, 8, 1, ""}, {0, -1, 1, ""}, {0, INT32_MIN, 1, ""},  // no name, no line
    };
    for (const auto& c : cases) EXPECT_EQ(c.line, Line(c.facility, c.level, c.thread, "msg"));
    const std::string cut = Line(0, 5, 1234, std::string(2000, 'm'));
    EXPECT_EQ("Starter.Notice  \t[1234]\t" + std::string(1023 - 24, 'm'), cut);
}

TEST(LogFormat, Paths) {
    // A file path of more than 258 characters is refused rather than cut.
    char path[kPathSize];
    const std::string name = "2026-12-05-ORXSystemLog.log", fits(258 - 1 - name.size(), 'd');
    EXPECT_TRUE(JoinFilePath(fits.c_str(), name.c_str(), path, sizeof path));
    EXPECT_EQ(258u, std::strlen(path));
    EXPECT_FALSE(JoinFilePath((fits + "d").c_str(), name.c_str(), path, sizeof path));
    EXPECT_STREQ("", path);

    const char* systemLogDirs[][2] = {
        {"C:\\A", "C:\\A\\LogFiles/System"}, {"C:\\A\\", "C:\\A\\LogFiles/System"}, {"", "LogFiles/System"}};
    for (const auto& dirs : systemLogDirs) {
        JoinSystemLogDirectory(dirs[0], path, sizeof path);
        EXPECT_STREQ(dirs[1], path);
    }
}

TEST(SyslogDatagram, PriorityHeaderLineOneNulAndTheCutAt1022) {
    const unsigned priorities[][3] = {{0, 5, 133}, {1, 3, 139}, {2, 7, 151}, {0, 0, 128}, {7, 7, 191}};
    for (const auto& p : priorities) EXPECT_EQ(p[2], SyslogPriority(kSyslogFacilityLocal0, p[0], p[1]));

    char out[kDatagramSize];
    const std::string line = "Starter.Notice  \t[1234]\t[1001] hello";
    const size_t length = ComposeDatagram(133, "OrxStarter", line.c_str(), out);
    EXPECT_EQ("<133> OrxStarter " + line + '\0', std::string(out, length));  // 18 + n bytes
    EXPECT_EQ(1023u, ComposeDatagram(191, "OrxStarter", std::string(1023, 'x').c_str(), out));
    EXPECT_EQ("<191> OrxStarter " + std::string(1022 - 17, 'x') + '\0', std::string(out, 1023));
}

TEST(EventLogMapping, TypeIdentifierAndCategory) {
    const WORD types[] = {EVENTLOG_ERROR_TYPE, EVENTLOG_ERROR_TYPE, EVENTLOG_ERROR_TYPE, EVENTLOG_ERROR_TYPE,
                          EVENTLOG_WARNING_TYPE, EVENTLOG_INFORMATION_TYPE, EVENTLOG_INFORMATION_TYPE,
                          EVENTLOG_INFORMATION_TYPE};
    const DWORD severityBits[] = {0xC0020000, 0xC0020000, 0xC0020000, 0xC0020000,
                                  0x80020000, 0x40020000, 0x40020000, 0x40020000};
    for (int32_t level = 0; level < 8; ++level) {
        const EventLogRecord record = MapEventLogRecord(0x12345, 0, level);  // the low 16 bits only
        EXPECT_EQ(types[level], record.type) << level;
        EXPECT_EQ(severityBits[level] | 0x2345u, record.eventId) << level;
    }
    for (int facility = 0; facility < 256; ++facility) {
        EXPECT_EQ(facility < 8 ? facility + 1 : 9, MapEventLogRecord(1, static_cast<uint8_t>(facility), 5).category);
    }
}
