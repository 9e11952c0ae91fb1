// CGui's start and stop of the system log from the registry, and
// LogSystemEvent with the texts of the language library, in this process.
#include "tests/support/DebugCapture.h"
#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLog.h"
#include "systemlog/SystemLogEvents.h"
#include "tests/systemlog/SystemLogTestSupport.h"
#include "orxstarter/gui/gui.h"

#include <gtest/gtest.h>

#include <cstring>

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
        CGui::UninitLogsSystem();
        RemoveTree(TestRoot());
        DebugTraceInit();
        ASSERT_TRUE(capture_.active());
        capture_.Clear();
    }
    void TearDown() override {
        CGui::UninitLogsSystem();
        SetDebugTraceFlags(0);
        RemoveTree(TestRoot());
    }

    // A program started from a shell sees ALLUSERSPROFILE=C:\ProgramData.
    static std::string TestRoot() { return EnvVar("ALLUSERSPROFILE") + "\\OrxTestH3"; }
    static std::string DayFile() {
        return EnvVar("ALLUSERSPROFILE") + "\\" + kLogPath + "\\LogFiles\\System\\" + TodayDashed() +
               "-ORXSystemLog.log";
    }
    // The day file's records without their timestamps.
    static std::vector<std::string> Records() {
        std::vector<std::string> records = ReadCrLfLines(DayFile());
        for (std::string& record : records) record.erase(0, std::strlen("20261205 00:21:32:123 \t"));
        return records;
    }
    void ExpectTraced(std::initializer_list<const char*> expected) {
        capture_.Settle(100);
        std::string traced;
        for (const std::string& text : capture_.Texts()) traced += text;
        for (const char* text : expected) EXPECT_NE(std::string::npos, traced.find(text)) << text;
    }

    UdpReceiver udp_;
    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    ScopedRegValue traceFlags_{HKEY_LOCAL_MACHINE, kAppPathsKey, "StarterLogFile"};
    ScopedRegValue output_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogOutput"};
    ScopedRegValue port_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogPort"};
    ScopedRegValue server_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogServer"};
    DebugOutputCapture capture_;
};

}  // namespace

TEST_F(LogsSystemSettings, OutputFiveAnnouncesToFileAndEventLogAndEventsFollowThePlaceholderRules) {
    ASSERT_TRUE(output_.SetDword(5));
    CGui::InitLogsSystem();
    EXPECT_TRUE(TheSystemLog().FileOn());
    EXPECT_FALSE(TheSystemLog().SyslogOn());
    EXPECT_TRUE(TheSystemLog().EventLogOn());
    ExpectTraced({"=> CGui::InitLogsSystem", "   CGui::InitLogsSystem Output = 5",
                  "   CGui::InitLogsSystem: System logs to file enabled",
                  "   CGui::InitLogsSystem: System logs to event log enabled", "<= CGui::InitLogsSystem"});

    LogSystemEvent(20, 0, 3, 7, "Home");     // "%s" before "%d"
    LogSystemEvent(36, 2, 3, 5, "gw");       // "%d" before "%s"
    LogSystemEvent(4, 1, 6, 1, nullptr);     // no "%d" in the text: appended
    LogSystemEvent(13, 1, 5, 0, nullptr);    // "%s" without a text
    LogSystemEvent(60, 0, 5, 0, "ignored");  // unknown index
    const std::vector<std::string> expected = {
        ExpectedLine("Starter.Notice  ", "[1001] The system log has started (outputs 5)."),
        ExpectedLine("Starter.Error   ", "[2015] Configuration Home: the operation failed with error 7."),
        ExpectedLine("    IKE.Error   ", "[3008] Error 5: gateway gw does not answer."),
        ExpectedLine("    GUI.Info    ",
                     "[2005] Configuration panel password checked, access granted (1) or refused (0): 1"),
        ExpectedLine("    GUI.Notice  ", "[2008] Tunnel  s is opening."),
        ExpectedLine("Starter.Notice  ", "[60] [ID 60 missing].")};
    EXPECT_EQ(expected, Records());
}

TEST_F(LogsSystemSettings, OutputThreeUsesTheLow16BitsOfThePortAndARestartReadsEverySettingAfresh) {
    ASSERT_TRUE(output_.SetDword(3));
    ASSERT_TRUE(server_.SetString("127.0.0.1"));
    ASSERT_TRUE(port_.SetDword(0x10000u | udp_.port()));
    CGui::InitLogsSystem();
    std::string datagram;
    EXPECT_TRUE(udp_.Receive(datagram, 3000, "[1001] The system log has started (outputs 3)."));
    EXPECT_EQ(7, TheSystemLog().Writer().Level());  // the file output sets 6, then the syslog output 7

    CGui::UninitLogsSystem();
    ASSERT_TRUE(output_.SetDword(2));
    ASSERT_TRUE(port_.Remove());
    CGui::InitLogsSystem();
    EXPECT_FALSE(TheSystemLog().FileOn());
    EXPECT_EQ(514, TheSystemLog().Writer().SenderPort());
    ExpectTraced({"   CGui::InitLogsSystem: System logs to syslog enabled", "=> CGui::UninitLogsSystem",
                  "<= CGui::UninitLogsSystem"});
}

TEST_F(LogsSystemSettings, UnusableSettingsLeaveTheOutputsOffWithATraceLine) {
    ASSERT_TRUE(output_.SetString("3"));
    CGui::InitLogsSystem();
    ExpectTraced({"   CGui::InitLogsSystem: SystemLogOutput is not a 32-bit number, ignored",
                  "   CGui::InitLogsSystem Output = 0"});
    EXPECT_FALSE(TheSystemLog().IsEnabled());

    ASSERT_TRUE(output_.SetDword(2));
    CGui::InitLogsSystem();
    ExpectTraced({"   CGui::InitLogsSystem: syslog server address is missing"});
    EXPECT_FALSE(TheSystemLog().IsEnabled());

    char server[128];
    ASSERT_TRUE(server_.SetString(std::string(128, '1')));
    EXPECT_FALSE(CGui::GetSyslogServer(server));
    EXPECT_STREQ("", server);
    ASSERT_TRUE(server_.SetString(std::string(300, '1')));
    CGui::InitLogsSystem();
    ExpectTraced({"   CGui::GetSyslogServer: SystemLogSyslogServer is too long for a server address, ignored"});
    EXPECT_FALSE(TheSystemLog().IsEnabled());
}
