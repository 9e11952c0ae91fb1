// CGui's start and stop of the system log from the registry, and
// LogSystemEvent with the texts of the language library, in this process.
#include "DebugCapture.h"
#include "DebugTrace.h"
#include "SystemLog.h"
#include "SystemLogEvents.h"
#include "SystemLogTestSupport.h"
#include "TestSupport.h"
#include "gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace systemlog;
using namespace systemlog_test;
using namespace testing_support;

namespace {

constexpr char kLogPath[] = "OrxTestH3\\SystemLogSettings";

class LogsSystemSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(udp_.ok());
        ASSERT_TRUE(logPath_.SetString(kLogPath));
        ASSERT_TRUE(traceFlags_.SetBinary({1}));  // debug trace to the debugger output
        output_.Remove();
        port_.Remove();
        server_.Remove();
        CGui::UninitLogsSystem();
        RemoveTree(TestRoot());
        DebugTraceInit();
        capture_ = std::make_unique<DebugOutputCapture>();
        ASSERT_TRUE(capture_->active());
    }
    void TearDown() override {
        CGui::UninitLogsSystem();
        SetDebugTraceFlags(0);
        capture_.reset();
        RemoveTree(TestRoot());
    }

    // A program started from a shell sees ALLUSERSPROFILE=C:\ProgramData.
    static std::string TestRoot() { return EnvVar("ALLUSERSPROFILE") + "\\OrxTestH3"; }
    static std::string DataDir() { return EnvVar("ALLUSERSPROFILE") + "\\" + kLogPath; }
    static std::string DayFile() {
        return DataDir() + "\\LogFiles\\System\\" + TodayDashed() + "-ORXSystemLog.log";
    }
    bool Traced(const std::string& text) {
        capture_->Settle(100);
        const auto texts = capture_->Texts();
        return std::any_of(texts.begin(), texts.end(),
                           [&](const std::string& t) { return t.find(text) != std::string::npos; });
    }
    // The record's part after its timestamp.
    static std::string AfterTimestamp(const std::string& record) {
        return record.size() > 23 ? record.substr(23) : std::string("(short) ") + record;
    }

    UdpReceiver udp_;
    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    ScopedRegValue traceFlags_{HKEY_LOCAL_MACHINE, kAppPathsKey, "StarterLogFile"};
    ScopedRegValue output_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogOutput"};
    ScopedRegValue port_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogPort"};
    ScopedRegValue server_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogServer"};
    std::unique_ptr<DebugOutputCapture> capture_;
};

}  // namespace

TEST_F(LogsSystemSettings, OutputFiveWritesTheAnnouncementToFileAndEventLogButNotSyslog) {
    ASSERT_TRUE(output_.SetDword(5));
    CGui::InitLogsSystem();

    SystemLog& log = TheSystemLog();
    EXPECT_TRUE(log.FileOn());
    EXPECT_FALSE(log.SyslogOn());
    EXPECT_TRUE(log.EventLogOn());
    const auto lines = ReadCrLfLines(DayFile());
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(ExpectedLine("Starter.Notice  ", "[1001] The system log has started (outputs 5)."),
              AfterTimestamp(lines[0]));
    EXPECT_TRUE(Traced("=> CGui::InitLogsSystem"));
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem Output = 5"));
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem: System logs to file enabled"));
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem: System logs to event log enabled"));
    EXPECT_TRUE(Traced("<= CGui::InitLogsSystem"));
}

TEST_F(LogsSystemSettings, SyslogWithoutServerLeavesEveryOutputOffAndAnnouncesNothing) {
    ASSERT_TRUE(output_.SetDword(2));
    CGui::InitLogsSystem();
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem: syslog server address is missing"));
    EXPECT_FALSE(TheSystemLog().IsEnabled());
    EXPECT_FALSE(FileExists(DayFile()));
}

TEST_F(LogsSystemSettings, OutputThreeSendsAndWritesTheAnnouncement) {
    ASSERT_TRUE(output_.SetDword(3));
    ASSERT_TRUE(server_.SetString("127.0.0.1"));
    ASSERT_TRUE(port_.SetDword(0x10000u | udp_.port()));  // only the low 16 bits count
    CGui::InitLogsSystem();

    const std::string line = ExpectedLine("Starter.Notice  ", "[1001] The system log has started (outputs 3).");
    std::string datagram;
    ASSERT_TRUE(udp_.Receive(datagram, 3000));
    EXPECT_EQ("<133> OrxStarter " + line + std::string(1, '\0'), datagram);
    const auto lines = ReadCrLfLines(DayFile());
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(line, AfterTimestamp(lines[0]));
    EXPECT_EQ(7, TheSystemLog().Writer().Level());
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem: System logs to syslog enabled"));
}

TEST_F(LogsSystemSettings, MissingPortSendsTo514) {
    ASSERT_TRUE(output_.SetDword(2));
    ASSERT_TRUE(server_.SetString("127.0.0.1"));
    CGui::InitLogsSystem();
    EXPECT_EQ(514, TheSystemLog().Writer().SenderPort());
}

TEST_F(LogsSystemSettings, EventsShowTheLanguageTextsWithThePlaceholderRules) {
    ASSERT_TRUE(output_.SetDword(1));
    CGui::InitLogsSystem();
    LogSystemEvent(20, 0, 3, 7, "Home");      // "%s" before "%d"
    LogSystemEvent(36, 2, 3, 5, "gw");        // "%d" before "%s"
    LogSystemEvent(4, 1, 6, 1, nullptr);      // no "%d" in the text: appended
    LogSystemEvent(13, 1, 5, 0, nullptr);     // "%s" without a text
    LogSystemEvent(60, 0, 5, 0, "ignored");   // unknown index
    LogSystemEvent(11, 0, 5, 5, nullptr);     // the number is not shown

    const auto lines = ReadCrLfLines(DayFile());
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ(ExpectedLine("Starter.Error   ", "[2015] Configuration Home: the operation failed with error 7."),
              AfterTimestamp(lines[1]));
    EXPECT_EQ(ExpectedLine("    IKE.Error   ", "[3008] Error 5: gateway gw does not answer."),
              AfterTimestamp(lines[2]));
    EXPECT_EQ(ExpectedLine("    GUI.Info    ",
                           "[2005] Configuration panel password checked, access granted (1) or refused (0): 1"),
              AfterTimestamp(lines[3]));
    EXPECT_EQ(ExpectedLine("    GUI.Notice  ", "[2008] Tunnel  s is opening."), AfterTimestamp(lines[4]));
    EXPECT_EQ(ExpectedLine("Starter.Notice  ", "[60] [ID 60 missing]."), AfterTimestamp(lines[5]));
    EXPECT_EQ(ExpectedLine("Starter.Notice  ", "[1002] The VPN service is stopping."), AfterTimestamp(lines[6]));
}

TEST_F(LogsSystemSettings, NothingIsLoggedWhileTheOutputsAreOff) {
    LogSystemEvent(0, 0, 5, 1, nullptr);
    EXPECT_FALSE(FileExists(DayFile()));
}

TEST_F(LogsSystemSettings, RestartReadsTheSettingsAfreshAndDropsTheFileOutput) {
    ASSERT_TRUE(output_.SetDword(1));
    CGui::InitLogsSystem();
    const std::string fileBefore = ReadFileBytes(DayFile());
    ASSERT_FALSE(fileBefore.empty());

    CGui::UninitLogsSystem();
    EXPECT_TRUE(Traced("=> CGui::UninitLogsSystem"));
    ASSERT_TRUE(output_.SetDword(2));
    ASSERT_TRUE(server_.SetString("127.0.0.1"));
    ASSERT_TRUE(port_.SetDword(udp_.port()));
    CGui::InitLogsSystem();
    LogSystemEvent(7, 2, 5, 0, nullptr);

    std::string datagram;
    EXPECT_TRUE(udp_.ReceiveContaining("[1001] The system log has started (outputs 2).", datagram, 3000));
    EXPECT_TRUE(udp_.ReceiveContaining("[3002] The IKE daemon has stopped.", datagram, 3000));
    EXPECT_EQ(fileBefore, ReadFileBytes(DayFile()));
}

TEST_F(LogsSystemSettings, SettingsOfTheWrongKindAreRefusedWithATraceLine) {
    ASSERT_TRUE(output_.SetString("3"));
    CGui::InitLogsSystem();
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem: SystemLogOutput is not a 32-bit number, ignored"));
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem Output = 0"));
    EXPECT_FALSE(TheSystemLog().IsEnabled());

    ASSERT_TRUE(output_.SetDword(2));
    ASSERT_TRUE(server_.SetString(std::string(128, '1')));
    char server[128];
    EXPECT_FALSE(CGui::GetSyslogServer(server));
    EXPECT_STREQ("", server);
    ASSERT_TRUE(server_.SetString(std::string(127, '1')));
    EXPECT_TRUE(CGui::GetSyslogServer(server));
    EXPECT_EQ(127u, std::string(server).size());
    ASSERT_TRUE(server_.SetString(std::string(300, '1')));
    CGui::InitLogsSystem();
    EXPECT_TRUE(Traced("   CGui::GetSyslogServer: SystemLogSyslogServer is too long for a server address, ignored"));
    EXPECT_TRUE(Traced("   CGui::InitLogsSystem: syslog server address is missing"));
}
