// The system log object and its writer, with a clock the tests set, a
// temporary directory, a loopback UDP receiver and a recording event log.
#include "SystemLog.h"
#include "SystemLogTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <thread>
#include <vector>

using namespace systemlog;
using namespace systemlog_test;
using testing_support::FileExists;
using testing_support::MakeTempDir;
using testing_support::ReadFileBytes;
using testing_support::RemoveTree;

namespace {

constexpr int64_t kT0 = 1764890000;
constexpr char kStem[] = "ORXSystemLog";

class SystemLogWriter : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("systemlog");
        clock_.Set(2026, 12, 5, 0, 21, 32, 123, kT0);
        log_.Writer().SetClock(&clock_);
        ASSERT_TRUE(udp_.ok());
    }
    void TearDown() override {
        log_.DisableAll();
        RemoveTree(dir_);
    }
    std::string DayFile(const char* date) const { return dir_ + "\\" + date + "-" + kStem + ".log"; }

    std::string dir_;
    FakeClock clock_;
    RecordingEventLog eventLog_;
    SystemLog log_{eventLog_};
    UdpReceiver udp_;
};

}  // namespace

TEST_F(SystemLogWriter, FileRecordIsTimestampTabLineCrLf) {
    log_.EnableFile(dir_.c_str(), kStem);
    log_.Log(1001, 0, 5, "started (outputs %d)", 1);
    EXPECT_EQ("20261205 00:21:32:123 \t" + ExpectedLine("Starter.Notice  ", "[1001] started (outputs 1)") + "\r\n",
              ReadFileBytes(DayFile("2026-12-05")));
}

TEST_F(SystemLogWriter, FileOutputLetsInfoThroughButNotDebug) {
    log_.EnableFile(dir_.c_str(), kStem);
    EXPECT_EQ(6, log_.Writer().Level());
    log_.Log(1, 0, 7, "debug");
    log_.Log(2, 2, 6, "info");
    const auto lines = ReadCrLfLines(DayFile("2026-12-05"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("    IKE.Info    \t"));
}

TEST_F(SystemLogWriter, EventLogAloneReceivesEveryLevelAndNoLineIsWritten) {
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.Log(3008, 2, 7, "peer %s", "gw");
    ASSERT_EQ(1u, eventLog_.events.size());
    EXPECT_EQ(3008u, eventLog_.events[0].eventNumber);
    EXPECT_EQ(7, eventLog_.events[0].level);
    EXPECT_EQ("peer gw", eventLog_.events[0].text);
    EXPECT_EQ("", log_.Writer().FilePath());
    std::string datagram;
    EXPECT_FALSE(udp_.Receive(datagram, 100));
}

TEST_F(SystemLogWriter, LevelOutsideZeroToSevenIsRefusedEverywhere) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.Log(1, 0, -1, "negative");
    log_.Log(1, 0, 8, "eight");
    log_.Writer().WriteLine(0, -5, "direct");
    EXPECT_FALSE(FileExists(DayFile("2026-12-05")));
    EXPECT_TRUE(eventLog_.events.empty());
}

TEST_F(SystemLogWriter, FirstRecordAfterMidnightGoesToANewFileAndTheOldOneIsLeftAlone) {
    clock_.Set(2026, 12, 5, 23, 59, 59, 900, kT0);
    log_.EnableFile(dir_.c_str(), kStem);
    log_.Log(1, 0, 5, "before");
    const std::string before = ReadFileBytes(DayFile("2026-12-05"));

    clock_.Set(2026, 12, 6, 0, 0, 1, 5, kT0 + 2);
    log_.Log(2, 0, 5, "after");
    EXPECT_EQ(before, ReadFileBytes(DayFile("2026-12-05")));
    const auto lines = ReadCrLfLines(DayFile("2026-12-06"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("20261206 00:00:01:005 \t" + ExpectedLine("Starter.Notice  ", "[2] after"), lines[0]);
    EXPECT_EQ(DayFile("2026-12-06"), log_.Writer().FilePath());
}

TEST_F(SystemLogWriter, DirectoryWithTrailingBackslashGetsNoSecondOne) {
    log_.EnableFile((dir_ + "\\").c_str(), kStem);
    EXPECT_EQ(DayFile("2026-12-05"), log_.Writer().FilePath());
}

TEST_F(SystemLogWriter, MissingParentDirectoryIsRaisedAndLeavesTheFileOutputOff) {
    const std::string deep = dir_ + "\\missing\\deeper";
    try {
        log_.EnableFile(deep.c_str(), kStem);
        FAIL() << "no exception";
    } catch (const std::filesystem::filesystem_error& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("create_directory"));
        EXPECT_EQ(ERROR_PATH_NOT_FOUND, e.code().value());
    }
    EXPECT_FALSE(log_.FileOn());
}

TEST_F(SystemLogWriter, FilePathTooLongMeansNoFileOutputRatherThanACutPath) {
    std::string deep = dir_;
    while (deep.size() < 240) {
        deep += "\\dddddddddddddddddddd";
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    log_.EnableFile(deep.c_str(), kStem);
    EXPECT_EQ("", log_.Writer().FilePath());
    log_.Log(1, 0, 5, "x");  // nothing to write to, nothing breaks
}

TEST_F(SystemLogWriter, FloodOf2001EventsIsFollowedByOneReportThenSilenceThenLinesAgain) {
    log_.EnableFile(dir_.c_str(), kStem);
    for (int i = 0; i < 2001; ++i) log_.Log(2001, 1, 5, "event %d", i);
    clock_.AdvanceSeconds(2);
    log_.Log(3003, 2, 3, "lost to the report");
    log_.Log(3003, 2, 3, "dropped");
    clock_.AdvanceSeconds(2);
    log_.Log(1002, 0, 5, "back");

    const auto lines = ReadCrLfLines(DayFile("2026-12-05"));
    ASSERT_EQ(2003u, lines.size());
    EXPECT_NE(std::string::npos, lines[2000].find("[2001] event 2000"));
    EXPECT_NE(std::string::npos, lines[2001].find(ExpectedLine("Starter.Warning ", "[Log flood 2001]")));
    EXPECT_NE(std::string::npos, lines[2002].find("[1002] back"));
}

TEST_F(SystemLogWriter, SyslogDatagramCarriesPriorityTagLineAndOneNul) {
    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", "OrxStarter", udp_.port()));
    EXPECT_EQ(7, log_.Writer().Level());
    log_.Log(1001, 0, 5, "hello");
    log_.Log(2003, 1, 3, "gui");
    std::string datagram;
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ("<133> OrxStarter " + ExpectedLine("Starter.Notice  ", "[1001] hello") + std::string(1, '\0'),
              datagram);
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ("<139> OrxStarter " + ExpectedLine("    GUI.Error   ", "[2003] gui") + std::string(1, '\0'), datagram);
}

TEST_F(SystemLogWriter, LongEventIsCutTo1022CharactersBeforeTheNul) {
    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", "OrxStarter", udp_.port()));
    log_.Log(1, 2, 7, "%s", std::string(5000, 'z').c_str());
    std::string datagram;
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ(1023u, datagram.size());
    EXPECT_EQ(std::string(1, '\0'), datagram.substr(1022));
    EXPECT_EQ("<151> OrxStarter     IKE.Debug   \t", datagram.substr(0, 34));
}

TEST_F(SystemLogWriter, ServerOfSixteenCharactersIsUsedAndOfSeventeenSendsNothing) {
    // Both spell 127.0.0.1 (the parts with leading zeros are octal).
    ASSERT_TRUE(log_.EnableSyslog("127.000.000.0001", "OrxStarter", udp_.port()));
    log_.Log(1, 0, 5, "sixteen");
    std::string datagram;
    EXPECT_TRUE(udp_.ReceiveContaining("sixteen", datagram, 2000));

    log_.DisableAll();
    ASSERT_TRUE(log_.EnableSyslog("127.000.000.00001", "OrxStarter", udp_.port()));
    log_.Log(1, 0, 5, "seventeen");
    EXPECT_FALSE(udp_.Receive(datagram, 300));
}

TEST_F(SystemLogWriter, PortZeroMeans514AndServerSettingLongerThan38IsRefused) {
    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", "OrxStarter", 0));
    EXPECT_EQ(514, log_.Writer().SenderPort());
    log_.DisableAll();
    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", "OrxStarter", 1514));
    EXPECT_EQ(1514, log_.Writer().SenderPort());
    log_.DisableAll();
    EXPECT_FALSE(log_.EnableSyslog(std::string(39, '1').c_str(), "OrxStarter", 1514));
    EXPECT_FALSE(log_.SyslogOn());
    EXPECT_FALSE(log_.Writer().HasSender());
    EXPECT_FALSE(log_.EnableSyslog("", "OrxStarter", 1514));
    EXPECT_FALSE(log_.EnableSyslog(nullptr, "OrxStarter", 1514));
}

TEST_F(SystemLogWriter, AfterDisableAllNothingIsLoggedAndARestartWithoutFilesLeavesTheOldFileAlone) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.Log(1, 0, 5, "kept");
    const std::string before = ReadFileBytes(DayFile("2026-12-05"));

    log_.DisableAll();
    EXPECT_FALSE(log_.IsEnabled());
    log_.Log(2, 0, 5, "nowhere");
    EXPECT_EQ(1u, eventLog_.events.size());

    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", "OrxStarter", udp_.port()));
    log_.Log(3, 0, 5, "syslog only");
    std::string datagram;
    EXPECT_TRUE(udp_.ReceiveContaining("[3] syslog only", datagram, 2000));
    EXPECT_EQ(before, ReadFileBytes(DayFile("2026-12-05")));
}

TEST_F(SystemLogWriter, SettingsChangesWhileOtherThreadsLogNeverTearALine) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", "OrxStarter", udp_.port()));
    std::atomic<bool> stop{false};
    std::vector<std::thread> loggers;
    for (int t = 0; t < 4; ++t) {
        loggers.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) {
                log_.Log(2000 + t, static_cast<uint8_t>(t), 5, "thread %d line %d", t, i);
            }
        });
    }
    for (int round = 0; round < 40; ++round) {
        log_.DisableAll();
        log_.EnableFile(dir_.c_str(), kStem);
        log_.EnableSyslog("127.0.0.1", "OrxStarter", udp_.port());
        Sleep(5);
    }
    stop = true;
    for (auto& thread : loggers) thread.join();

    // The clock stands still, so the flood window never closes: every line is written.
    const std::regex record(R"(20261205 00:21:32:123 \t( Facil3|    IKE|    GUI|Starter)\.Notice  \t\[\d{4,}\]\t)"
                            R"(\[200([0-3])\] thread \2 line \d+)");
    const auto lines = ReadCrLfLines(DayFile("2026-12-05"));
    EXPECT_GT(lines.size(), 40u);
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, record)) << line;
}
