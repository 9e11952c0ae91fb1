// The system log object and its writer, with a clock the tests set, a
// temporary directory, a loopback UDP receiver and a recording event log.
#include "systemlog/SystemLog.h"
#include "tests/systemlog/SystemLogTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <regex>
#include <thread>
#include <vector>

using namespace systemlog;
using namespace systemlog_test;
using namespace testing_support;

namespace {

constexpr int64_t kT0 = 1764890000;
constexpr char kStem[] = "ORXSystemLog";
constexpr char kTag[] = "OrxStarter";
constexpr char kStamp[] = "20261205 00:21:32:123 \t";

SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) { return {y, mo, 0, d, h, mi, s, ms}; }

struct FakeClock : LogClock {
    LogTime now{};
    LogTime Now() const override { return now; }
};

// Records what reaches the event log as "<event number> <level> <text>".
class RecordingEventLog : public EventLogSink {
public:
    bool Register() override { return true; }
    void Deregister() override {}
    bool Report(uint32_t eventNumber, uint8_t, int32_t level, const char* text) override {
        events.push_back(std::to_string(eventNumber) + " " + std::to_string(level) + " " + text);
        return true;
    }
    std::vector<std::string> events;
};

class SystemLogWriter : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("systemlog");
        clock_.now = {At(2026, 12, 5, 0, 21, 32, 123), kT0};
        log_.Writer().SetClock(&clock_);
        ASSERT_TRUE(udp_.ok());
    }
    void TearDown() override {
        log_.DisableAll();
        RemoveTree(dir_);
    }
    std::string DayFile() const { return dir_ + "\\2026-12-05-" + kStem + ".log"; }

    std::string dir_;
    FakeClock clock_;
    RecordingEventLog eventLog_;
    SystemLog log_{eventLog_};
    UdpReceiver udp_;
};

}  // namespace

TEST_F(SystemLogWriter, FileRecordsAreTimestampTabLineCrLfUpToInfo) {
    log_.EnableFile(dir_.c_str(), kStem);
    log_.Log(1001, 0, 5, "started (outputs %d)", 1);
    log_.Log(2, 0, 7, "debug");
    log_.Log(3, 2, 6, "info");
    EXPECT_EQ(kStamp + ExpectedLine("Starter.Notice  ", "[1001] started (outputs 1)") + "\r\n" + kStamp +
                  ExpectedLine("    IKE.Info    ", "[3] info") + "\r\n",
              ReadFileBytes(DayFile()));
}

TEST_F(SystemLogWriter, FirstRecordAfterMidnightGoesToAFileWithTheNewDateAndTheOldOneIsLeftAlone) {
    const std::string dir = dir_ + "\\2026-12-05\\";  // only the file name's date changes
    clock_.now = {At(2026, 12, 5, 23, 59, 59, 900), kT0};
    log_.EnableFile(dir.c_str(), kStem);
    EXPECT_EQ(dir + "2026-12-05-ORXSystemLog.log", log_.Writer().FilePath());  // no second backslash
    log_.Log(1, 0, 5, "before");
    const std::string before = ReadFileBytes(dir + "2026-12-05-ORXSystemLog.log");
    EXPECT_NE(std::string::npos, before.find("[1] before"));

    clock_.now = {At(2026, 12, 6, 0, 0, 1, 5), kT0 + 2};
    log_.Log(2, 0, 5, "after");
    EXPECT_EQ(before, ReadFileBytes(dir + "2026-12-05-ORXSystemLog.log"));
    EXPECT_EQ("20261206 00:00:01:005 \t" + ExpectedLine("Starter.Notice  ", "[2] after") + "\r\n",
              ReadFileBytes(dir + "2026-12-06-ORXSystemLog.log"));
}

TEST_F(SystemLogWriter, EventLogAloneTakesDebugEventsAndLevelsOutsideZeroToSevenGoNowhere) {
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.Log(3008, 2, 7, "peer %s", "gw");
    log_.EnableFile(dir_.c_str(), kStem);
    log_.Log(1, 0, -1, "negative");
    log_.Log(1, 0, 8, "eight");
    log_.Writer().WriteLine(0, -5, "direct");
    EXPECT_EQ(std::vector<std::string>{"3008 7 peer gw"}, eventLog_.events);
    EXPECT_FALSE(FileExists(DayFile()));
}

TEST_F(SystemLogWriter, AMissingParentDirectoryIsRaisedAndLeavesTheFileOutputOff) {
    EXPECT_THROW(log_.EnableFile((dir_ + "\\missing\\deeper").c_str(), kStem), std::filesystem::filesystem_error);
    EXPECT_FALSE(log_.FileOn());
}

TEST_F(SystemLogWriter, FloodReportReplacesTheNextLineAsAStarterWarningAndLaterLinesAreDropped) {
    log_.EnableFile(dir_.c_str(), kStem);
    for (int i = 0; i < 2001; ++i) log_.Log(2001, 1, 5, "event %d", i);
    clock_.now.seconds += 2;
    log_.Log(3003, 2, 3, "lost to the report");
    log_.Log(3003, 2, 3, "dropped");
    const auto lines = ReadCrLfLines(DayFile());
    ASSERT_EQ(2002u, lines.size());
    EXPECT_EQ(kStamp + ExpectedLine("    GUI.Notice  ", "[2001] event 2000"), lines[2000]);
    EXPECT_EQ(kStamp + ExpectedLine("Starter.Warning ", "[Log flood 2001]"), lines[2001]);
}

TEST_F(SystemLogWriter, ServersOfTheWrongLengthGetNothing) {
    // Both spell 127.0.0.1 (the parts with leading zeros are octal); only 16 characters are sent to.
    for (const char* server : {"127.000.000.0001", "127.000.000.00001"}) {
        ASSERT_TRUE(log_.EnableSyslog(server, kTag, udp_.port()));
        log_.Log(1, 0, 5, "to %s", server);
        std::string datagram;
        EXPECT_EQ(std::strlen(server) == 16, udp_.Receive(datagram, 500, server)) << server;
        log_.DisableAll();
    }
    const std::string tooLong(39, '1');
    for (const char* refused : {tooLong.c_str(), "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(log_.EnableSyslog(refused, kTag, 1514));
        EXPECT_FALSE(log_.SyslogOn() || log_.Writer().HasSender());
    }
}

TEST_F(SystemLogWriter, AfterDisableAllNothingIsLoggedAndARestartWithSyslogOnlySendsButLeavesTheOldFileAlone) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.Log(1, 0, 5, "kept");
    const std::string before = ReadFileBytes(DayFile());
    log_.DisableAll();
    EXPECT_FALSE(log_.IsEnabled());
    log_.Log(2, 0, 5, "nowhere");
    EXPECT_EQ(1u, eventLog_.events.size());

    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", kTag, udp_.port()));
    EXPECT_EQ(7, log_.Writer().Level());
    log_.Log(2003, 1, 3, "syslog only");
    std::string datagram;
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ("<139> OrxStarter " + ExpectedLine("    GUI.Error   ", "[2003] syslog only") + '\0', datagram);
    EXPECT_EQ(before, ReadFileBytes(DayFile()));
}

TEST_F(SystemLogWriter, SettingsChangesWhileOtherThreadsLogNeverTearALine) {
    log_.EnableFile(dir_.c_str(), kStem);
    std::atomic<bool> stop{false};
    std::vector<std::thread> loggers;
    for (int t = 0; t < 4; ++t) {
        loggers.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) log_.Log(2000 + t, static_cast<uint8_t>(t), 5, "thread %d line %d", t, i);
        });
    }
    for (int round = 0; round < 40; ++round) {
        log_.DisableAll();
        log_.EnableFile(dir_.c_str(), kStem);
        log_.EnableSyslog("127.0.0.1", kTag, udp_.port());
        Sleep(5);
    }
    stop = true;
    for (auto& thread : loggers) thread.join();

    // The clock stands still, so the flood window never closes: every line is written.
    const std::regex record(R"(20261205 00:21:32:123 \t( Facil3|    IKE|    GUI|Starter)\.Notice  \t\[\d{4,}\]\t)"
                            R"(\[200([0-3])\] thread \2 line \d+)");
    const auto lines = ReadCrLfLines(DayFile());
    EXPECT_GT(lines.size(), 40u);
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, record)) << line;
}
