// CGui's start and stop of the system log from the registry, and
// LogSystemEvent with the texts of the language library, in this process.
// The settings' trace lines are checked here.
#include "orxstarter/gui/gui.h"
#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLog.h"
#include "systemlog/SystemLogEvents.h"
#include "tests/support/DebugCapture.h"
#include "tests/systemlog/SystemLogTestSupport.h"

#include <gmock/gmock.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace systemlog;
using namespace systemlog_test;
using namespace testing_support;
using ::testing::ElementsAre;

namespace {

constexpr char kLogPath[] = "OrxTestH3\\SystemLogSettings";

// Every setting of the service removed but "LogPath" and the debug trace to
// the debugger output; the system log off before and after.
class LogsSystemSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(udp_.ok());
        ASSERT_TRUE(settings_.SetString("LogPath", kLogPath));
        ASSERT_TRUE(settings_.SetBinary("StarterLogFile", {1}));
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
    static std::string LogFiles() { return EnvVar("ALLUSERSPROFILE") + "\\" + kLogPath + "\\LogFiles"; }
    static std::string DayFile() { return LogFiles() + "\\System\\" + TodayDashed() + "-ORXSystemLog.log"; }
    // The day file's records without their timestamps.
    static std::vector<std::string> Records() {
        std::vector<std::string> records = ReadCrLfLines(DayFile());
        for (std::string& record : records) record.erase(0, std::strlen("20261205 00:21:32:123 \t"));
        return records;
    }
    // The messages of the service trace's lines since the last call.
    std::vector<std::string> Traced() {
        const std::vector<std::string> lines = capture_.TraceMessages("[VPNSTARTER64]");
        capture_.Clear();
        return lines;
    }

    UdpReceiver udp_;
    ScopedServiceSettings settings_;
    DebugOutputCapture capture_;
};

}  // namespace

TEST_F(LogsSystemSettings, OutputFiveAnnouncesToFileAndEventLogAndEventsFollowThePlaceholderRules) {
    ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 5));
    CGui::InitLogsSystem();
    EXPECT_TRUE(TheSystemLog().FileOn());
    EXPECT_FALSE(TheSystemLog().SyslogOn());
    EXPECT_TRUE(TheSystemLog().EventLogOn());

    LogSystemEvent(20, 0, 3, 7, "Home");  // "%s" before "%d"
    LogSystemEvent(36, 2, 3, 5, "gw");    // "%d" before "%s"
    LogSystemEvent(4, 1, 6, 1, nullptr);  // no "%d" in the text: appended
    EXPECT_EQ((std::vector<std::string>{
                  ExpectedLine("Starter.Notice  ", "[1001] The system log has started (outputs 5)."),
                  ExpectedLine("Starter.Error   ", "[2015] Configuration Home: the operation failed with error 7."),
                  ExpectedLine("    IKE.Error   ", "[3008] Error 5: gateway gw does not answer."),
                  ExpectedLine("    GUI.Info    ",
                               "[2005] Configuration panel password checked, access granted (1) or refused (0): 1")}),
              Records());

    CGui::UninitLogsSystem();
    EXPECT_FALSE(TheSystemLog().IsEnabled());
    EXPECT_THAT(Traced(), ElementsAre("=> CGui::InitLogsSystem", "   CGui::InitLogsSystem Output = 5",
                                      "   CGui::InitLogsSystem: System logs to file enabled",
                                      "   CGui::InitLogsSystem: System logs to event log enabled",
                                      "<= CGui::InitLogsSystem", "=> CGui::UninitLogsSystem",
                                      "<= CGui::UninitLogsSystem"));
}

// The server may be stored as any type: its bytes are the text.
TEST_F(LogsSystemSettings, OutputThreeUsesTheLow16BitsOfThePortAndARestartReadsEverySettingAfresh) {
    ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 3));
    ASSERT_TRUE(settings_.SetBinary("SystemLogSyslogServer", {'1', '2', '7', '.', '0', '.', '0', '.', '1'}));
    ASSERT_TRUE(settings_.SetDword("SystemLogSyslogPort", 0x10000u | udp_.port()));
    CGui::InitLogsSystem();
    std::string datagram;
    EXPECT_TRUE(udp_.Receive(datagram, 3000, "[1001] The system log has started (outputs 3)."));
    EXPECT_EQ(7, TheSystemLog().Writer().Level());  // the file output sets 6, then the syslog output 7

    CGui::UninitLogsSystem();
    ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 2));
    ASSERT_TRUE(settings_.Remove("SystemLogSyslogPort"));
    CGui::InitLogsSystem();
    EXPECT_FALSE(TheSystemLog().FileOn());
    EXPECT_EQ(514, TheSystemLog().Writer().SenderPort());
    EXPECT_THAT(Traced(), ::testing::Contains("   CGui::InitLogsSystem: System logs to syslog enabled"));
}

TEST_F(LogsSystemSettings, UnusableSettingsLeaveTheirOutputsOffWithATraceLine) {
    ASSERT_TRUE(settings_.SetString("SystemLogOutput", "3"));
    CGui::InitLogsSystem();
    EXPECT_FALSE(TheSystemLog().IsEnabled());

    ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 2));
    CGui::InitLogsSystem();
    EXPECT_FALSE(TheSystemLog().IsEnabled());

    char server[128];
    ASSERT_TRUE(settings_.SetString("SystemLogSyslogServer", std::string(128, '1')));
    EXPECT_FALSE(CGui::GetSyslogServer(server));
    EXPECT_STREQ("", server);
    ASSERT_TRUE(settings_.SetString("SystemLogSyslogServer", std::string(300, '1')));
    CGui::InitLogsSystem();
    EXPECT_FALSE(TheSystemLog().IsEnabled());

    // A file where the system log's directory should be.
    ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 1));
    RemoveTree(TestRoot());
    ASSERT_TRUE(std::filesystem::create_directories(LogFiles()) && std::ofstream(LogFiles() + "\\System").good());
    CGui::InitLogsSystem();
    EXPECT_FALSE(TheSystemLog().FileOn());

    const std::string begin = "=> CGui::InitLogsSystem", end = "<= CGui::InitLogsSystem";
    const std::string tooLong =
        "   CGui::GetSyslogServer: SystemLogSyslogServer is too long for a server address, ignored";
    EXPECT_THAT(Traced(),
                ElementsAre(begin, "   CGui::InitLogsSystem: SystemLogOutput is not a 32-bit number, ignored",
                            "   CGui::InitLogsSystem Output = 0", end, begin, "   CGui::InitLogsSystem Output = 2",
                            "   CGui::InitLogsSystem: syslog server address is missing", end, tooLong, begin,
                            "   CGui::InitLogsSystem Output = 2", tooLong,
                            "   CGui::InitLogsSystem: syslog server address is missing", end, begin,
                            "   CGui::InitLogsSystem Output = 1",
                            "   coud not create directory " + LogFiles() + "/System",
                            "   CGui::InitLogsSystem: System logs to file enabled", end));
}
