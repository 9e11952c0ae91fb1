// The system log object and its writer, with a clock the tests set, a
// temporary directory, a loopback UDP receiver and a recorder in place of
// ReportEventA (Wine's event log accepts everything and keeps nothing).
#include "systemlog/SystemLog.h"
#include "tests/systemlog/SystemLogTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// What reached ReportEventA, a call a text: "<type> <category> <identifier>
// <strings>:<text>", with " +more" when a user, raw data or no source came along.
std::vector<std::string> g_reports;

BOOL WINAPI RecordReport(HANDLE source, WORD type, WORD category, DWORD id, PSID user, WORD count, DWORD dataSize,
                         LPCSTR* strings, LPVOID data) {
    char head[64];
    std::snprintf(head, sizeof head, "%u %u %08lX %u:", type, category, id, count);
    const bool more = source == nullptr || user != nullptr || dataSize != 0 || data != nullptr;
    g_reports.push_back(head + std::string(count == 1 ? strings[0] : "") + (more ? " +more" : ""));
    return TRUE;
}

class SystemLogWriter : public ::testing::Test {
protected:
    void SetUp() override {
        g_reports.clear();
        clock_.now = {At(2026, 12, 5, 0, 21, 32, 123), kT0};
        log_.Writer().SetClock(&clock_);
        eventLog_.SetClock(&clock_);
        ASSERT_TRUE(udp_.ok());
    }
    void TearDown() override {
        log_.DisableAll();
        RemoveTree(dir_);
    }
    std::string DayFile() const { return dir_ + "\\2026-12-05-" + kStem + ".log"; }

    const std::string dir_ = MakeTempDir("systemlog");
    FakeClock clock_;
    EventLogSink eventLog_{RecordReport};
    SystemLog log_{eventLog_};
    UdpReceiver udp_;
};

}  // namespace

// Up to Info, a line of at most 1023 characters, the event number signed;
// the first record after midnight goes to a file whose name differs only in
// its date, and the old one is left alone. A directory that cannot be made,
// or a file in its place, is raised and leaves the file output off.
TEST_F(SystemLogWriter, FileRecordsUpToInfoTheChangeOfDayAndDirectoriesThatCannotBeUsed) {
    const std::string file = dir_ + "\\plain";
    ASSERT_TRUE(std::ofstream(file).good());
    for (const std::string& directory : {dir_ + "\\missing\\deeper", file}) {
        EXPECT_THROW(log_.EnableFile(directory.c_str(), kStem), std::filesystem::filesystem_error) << directory;
        EXPECT_FALSE(log_.FileOn());
    }
    const std::string dir = dir_ + "\\logs\\";  // no second backslash before the name
    clock_.now = {At(2026, 12, 5, 23, 59, 59, 900), kT0};
    log_.EnableFile(dir.c_str(), kStem);
    EXPECT_EQ(dir + "2026-12-05-ORXSystemLog.log", log_.Writer().FilePath());
    log_.Log(1001, 0, 5, "started (outputs %d)", 1);
    log_.Log(2, 0, 7, "debug");
    log_.Log(3, 2, 6, "%s", std::string(2000, 'm').c_str());
    const std::string stamp = "20261205 23:59:59:900 \t", before = ReadFileBytes(dir + "2026-12-05-ORXSystemLog.log");
    EXPECT_EQ(stamp + ExpectedLine("Starter.Notice  ", "[1001] started (outputs 1)") + "\r\n" + stamp +
                  ExpectedLine("    IKE.Info    ", "[3] " + std::string(2000, 'm')).substr(0, 1023) + "\r\n",
              before);

    clock_.now = {At(2026, 12, 6, 0, 0, 1, 5), kT0 + 2};
    log_.Log(0xFFFFFFFF, 1, 5, "after");
    EXPECT_EQ(before, ReadFileBytes(dir + "2026-12-05-ORXSystemLog.log"));
    EXPECT_EQ("20261206 00:00:01:005 \t" + ExpectedLine("    GUI.Notice  ", "[-1] after") + "\r\n",
              ReadFileBytes(dir + "2026-12-06-ORXSystemLog.log"));
}

// The event log takes every event, above the threshold and outside the
// levels too (as information); the file refuses what it cannot name.
TEST_F(SystemLogWriter, TheEventLogGetsEveryEventAndReportEventAItsRecord) {
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.EnableFile(dir_.c_str(), kStem);
    log_.Log(3008, 2, 7, "peer %s", "gw");
    log_.Log(2003, 1, 3, "error");
    log_.Log(1003, 0, 4, "warning");
    log_.Log(0x12345, 9, 6, "info");  // the identifier keeps the low 16 bits
    log_.Log(1, 0, -1, "negative");
    log_.Log(1, 0, 8, "eight");
    EXPECT_EQ((std::vector<std::string>{"4 3 40020BC0 1:peer gw", "1 2 C00207D3 1:error", "2 1 800203EB 1:warning",
                                        "4 9 40022345 1:info", "4 1 40020001 1:negative", "4 1 40020001 1:eight"}),
              g_reports);
    EXPECT_EQ(kStamp + ExpectedLine("    GUI.Error   ", "[2003] error") + "\r\n" + kStamp +
                  ExpectedLine("Starter.Warning ", "[1003] warning") + "\r\n" + kStamp +
                  ExpectedLine("Starter.Info    ", "[74565] info") + "\r\n",
              ReadFileBytes(DayFile()));
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

// A text from another process that carries CR LF and a whole record of its
// own: every output writes it escaped, on the event's one line.
TEST_F(SystemLogWriter, ATextWithLineBreaksStaysOneLineInEveryOutput) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", kTag, udp_.port()));
    ASSERT_TRUE(log_.EnableEventLog(true));
    const std::string forged = std::string("C:\\x86\\new\r\n") + kStamp + "Starter.Notice  \t[1234]\t[1001] forged";
    log_.Log(3004, 2, 5, "text %s", forged.c_str());
    const std::string escaped = "[3004] text C:\\\\x86\\new\\x0D\\x0A20261205 00:21:32:123 \\x09Starter.Notice  "
                                "\\x09[1234]\\x09[1001] forged";
    const auto lines = ReadCrLfLines(DayFile());
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(kStamp + ExpectedLine("    IKE.Notice  ", escaped), lines[0]);
    std::string datagram;
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ("<149> OrxStarter " + ExpectedLine("    IKE.Notice  ", escaped) + '\0', datagram);
    ASSERT_EQ(1u, g_reports.size());
    EXPECT_EQ("4 3 40020BBC 1:" + escaped.substr(7), g_reports[0]);
}

// The event log's own flood control: 200 events a window, then one report
// (event 1000, a Starter warning) in place of the next, and silence until a
// window ends below the limit. The file's limit is its own.
TEST_F(SystemLogWriter, TheEventLogHoldsBackAFloodWithOneReport) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableEventLog(true));
    for (int i = 0; i < 250; ++i) log_.Log(2001, 1, 5, "event %d", i);
    EXPECT_EQ(250u, g_reports.size()) << "the window has not ended yet";
    clock_.now.seconds += 2;
    log_.Log(2001, 1, 5, "lost to the report");
    log_.Log(2001, 1, 5, "held back");
    ASSERT_EQ(251u, g_reports.size());
    EXPECT_EQ("2 1 800203E8 1:[Log flood 250]", g_reports.back());
    clock_.now.seconds += 2;  // that window ended with 2 events: below the limit
    log_.Log(2001, 1, 5, "written again");
    EXPECT_EQ("4 2 400207D1 1:written again", g_reports.back());
    EXPECT_EQ(253u, ReadCrLfLines(DayFile()).size()) << "the file's limit is 2000";
}

// After DisableAll nothing is logged; a restart with the syslog output only
// sends, and leaves the old file alone.
TEST_F(SystemLogWriter, SyslogDatagramsAndServersThatGetNothing) {
    log_.EnableFile(dir_.c_str(), kStem);
    ASSERT_TRUE(log_.EnableEventLog(true));
    log_.Log(1, 0, 5, "kept");
    const std::string before = ReadFileBytes(DayFile());
    log_.DisableAll();
    EXPECT_FALSE(log_.IsEnabled());
    log_.Log(2, 0, 5, "nowhere");
    EXPECT_EQ(1u, g_reports.size());

    ASSERT_TRUE(log_.EnableSyslog("127.0.0.1", kTag, udp_.port()));
    EXPECT_EQ(7, log_.Writer().Level());
    log_.Log(2003, 1, 3, "syslog only");
    log_.Log(1, 7, 7, "%s", std::string(2000, 'x').c_str());
    std::string datagram;
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ("<139> OrxStarter " + ExpectedLine("    GUI.Error   ", "[2003] syslog only") + '\0', datagram);
    ASSERT_TRUE(udp_.Receive(datagram, 2000));
    EXPECT_EQ(
        ("<191> OrxStarter " + ExpectedLine(" Facil7.Debug   ", "[1] " + std::string(2000, 'x'))).substr(0, 1022) +
            '\0',
        datagram);
    EXPECT_EQ(before, ReadFileBytes(DayFile()));
    log_.DisableAll();

    // Both spell 127.0.0.1 (the parts with leading zeros are octal); only 16 characters are sent to.
    for (const char* server : {"127.000.000.0001", "127.000.000.00001"}) {
        ASSERT_TRUE(log_.EnableSyslog(server, kTag, udp_.port()));
        log_.Log(1, 0, 5, "to %s", server);
        EXPECT_EQ(std::strlen(server) == 16, udp_.Receive(datagram, 500, server)) << server;
        log_.DisableAll();
    }
    const std::string tooLong(39, '1');
    for (const char* refused : {tooLong.c_str(), "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(log_.EnableSyslog(refused, kTag, 1514));
        EXPECT_FALSE(log_.SyslogOn() || log_.Writer().HasSender());
    }
}

// A host name is no address: the datagram goes to the broadcast address,
// which refuses it. Without Windows Sockets no socket can be made. A file
// that opens but cannot be positioned (a pipe) loses the record.
TEST_F(SystemLogWriter, FailuresOfTheOutputsAreWrittenToTheStandardOutput) {
    const std::string pipe = "\\\\.\\pipe\\orxtest.systemlog." + std::to_string(GetCurrentProcessId());
    const orx::UniqueHandle server(
        CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr));
    std::string text;
    bool opened = true;
    {
        StdoutCapture out;
        if (log_.EnableSyslog("localhost", kTag, udp_.port())) log_.Log(1, 0, 5, "refused");
        log_.DisableAll();
        int started = 0;  // every start of Windows Sockets in this process, undone for a while
        while (WSACleanup() == 0) ++started;
        opened = log_.EnableSyslog("127.0.0.1", kTag, udp_.port());
        for (WSADATA data; started > 0; --started) WSAStartup(MAKEWORD(2, 2), &data);
        SRWLOCK lock = SRWLOCK_INIT;
        AppendRecord(lock, pipe.c_str(), "record");
        text = out.Text();
    }
    EXPECT_FALSE(opened);
    EXPECT_TRUE(std::regex_match(
        text, std::regex("sendto failed with error : \\d+\r\nIPV4 socket error : 10093\r\nCOULD WRITE TO LOGFILE\r\n")))
        << text;
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
        EXPECT_TRUE(log_.EnableSyslog("127.0.0.1", kTag, udp_.port()));
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
