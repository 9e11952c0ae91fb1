// END TO END: the real service executable, installed and started through
// Wine's service control manager with "SystemLogOutput" = 3, writes event
// index 0 (with its number, the output bitmask) to the day's system log file
// under its data directory and to the syslog server when it starts, and
// event index 11 when it stops.
#include "InstalledService.h"
#include "SystemLogTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

using namespace systemlog_test;
using namespace testing_support;

namespace {

constexpr char kTestRoot[] = "C:\\users\\Public\\OrxTestH3";  // the parent part of kLogPath
constexpr char kLogPath[] = "OrxTestH3\\ServiceE2E";
constexpr char kStarted[] = "[1001] The system log has started (outputs 3).";
constexpr char kStopping[] = "[1002] The VPN service is stopping.";

class ServiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(Exe())) << Exe();
        ASSERT_TRUE(logPath_.SetString(kLogPath));
        ASSERT_TRUE(output_.SetDword(3));
        ASSERT_TRUE(server_.SetString("127.0.0.1"));
        RemoveTree(kTestRoot);
    }
    void TearDown() override { RemoveTree(kTestRoot); }

    static std::string Exe() { return BinPath("orxstarter.exe"); }
    static ProcessResult Run(const char* option) { return RunProcess("\"" + Exe() + "\" " + option, 90000); }

    // A service started by the service control manager sees
    // ALLUSERSPROFILE=C:\users\Public, unlike this program.
    static std::string ServiceDataDir() { return std::string("C:\\users\\Public\\") + kLogPath; }
    static std::string DayFile() {
        return ServiceDataDir() + "\\LogFiles\\System\\" + TodayDashed() + "-ORXSystemLog.log";
    }

    // Waits until the day's file holds a record ending in `message`; returns that record.
    static std::string WaitForRecord(const std::string& message) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            for (const std::string& line : ReadCrLfLines(DayFile())) {
                if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(),
                                                                   message) == 0) {
                    return line;
                }
            }
            Sleep(100);
        }
        return "";
    }

    // Runs orxstarter.exe with `option`; it must succeed and print `message`.
    static void RunExpecting(const char* option, const char* message) {
        const ProcessResult result = Run(option);
        EXPECT_EQ(0u, result.exitCode) << option << ": " << result.output;
        EXPECT_NE(std::string::npos, result.output.find(message)) << option << ": " << result.output;
    }
    static void InstallAndStart() {
        RunExpecting("-i", "OrxIke Starter installed.");
        RunExpecting("-s", "OrxIke Starter started.");
    }
    static void StopAndRemove() {
        RunExpecting("-e", "OrxIke Starter stopped.");
        RunExpecting("-u", "OrxIke Starter removed.");
    }

    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    ScopedRegValue output_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogOutput"};
    ScopedRegValue server_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogServer"};
    ScopedRegValue port_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogPort"};
};

// "YYYYMMDD hh:mm:ss:mmm " TAB "Starter.Notice  " TAB "[thread]" TAB, then exactly `message`.
bool IsNoticeRecordOf(const std::string& record, const std::string& message) {
    static const std::regex start(R"(\d{8} \d\d:\d\d:\d\d:\d{3} \tStarter\.Notice  \t\[\d{4,}\]\t)");
    std::smatch match;
    return std::regex_search(record, match, start, std::regex_constants::match_continuous) &&
           record.substr(static_cast<size_t>(match.length())) == message;
}

}  // namespace

TEST_F(ServiceEndToEnd, StartedServiceLogsItsStartAndStopToTheFileAndTheSyslogServer) {
    UdpReceiver udp;
    ASSERT_TRUE(udp.ok());
    ASSERT_TRUE(port_.SetDword(udp.port()));
    ScopedServiceRemoval removal;

    InstallAndStart();
    std::string datagram;
    ASSERT_TRUE(udp.ReceiveContaining(kStarted, datagram, 15000));
    ASSERT_EQ('\0', datagram.back());
    const std::regex header(R"(<133> OrxStarter Starter\.Notice  \t\[\d{4,}\]\t)");
    std::smatch match;
    const std::string text = datagram.substr(0, datagram.size() - 1);
    ASSERT_TRUE(std::regex_search(text, match, header, std::regex_constants::match_continuous)) << datagram;
    EXPECT_EQ(kStarted, text.substr(static_cast<size_t>(match.length())));
    EXPECT_TRUE(IsNoticeRecordOf(WaitForRecord(kStarted), kStarted)) << ReadFileBytes(DayFile());

    StopAndRemove();
    ASSERT_TRUE(udp.ReceiveContaining(kStopping, datagram, 15000));
    EXPECT_EQ(0u, datagram.find("<133> OrxStarter Starter.Notice  \t[")) << datagram;
    EXPECT_EQ('\0', datagram.back());
    EXPECT_TRUE(IsNoticeRecordOf(WaitForRecord(kStopping), kStopping)) << ReadFileBytes(DayFile());
}

TEST_F(ServiceEndToEnd, RsyslogFilesTheStartedServicesEventsUnderLocal0Notice) {
    const std::string port = EnvVar("ORX_SYSLOG_PORT");
    const std::string file = EnvVar("ORX_SYSLOG_FILE");
    if (port.empty() || file.empty()) GTEST_SKIP() << "no rsyslog on this bench (ORX_SYSLOG_PORT/FILE unset)";
    ASSERT_TRUE(port_.SetDword(static_cast<DWORD>(std::atoi(port.c_str()))));
    const size_t before = ReadFileBytes(file).size();
    ScopedServiceRemoval removal;

    InstallAndStart();
    StopAndRemove();

    std::string received;
    for (int attempt = 0; attempt < 100 && received.find(kStopping) == std::string::npos; ++attempt) {
        Sleep(100);
        received = ReadFileBytes(file).substr(before);
    }
    EXPECT_NE(std::string::npos, received.find(std::string("local0.notice OrxStarter Starter.Notice  \t")))
        << received;
    const std::regex startedLine(std::string(R"((^|\n)local0\.notice OrxStarter Starter\.Notice  \t\[\d{4,}\]\t)") +
                                 R"(\[1001\] The system log has started \(outputs 3\)\.\n)");
    const std::regex stoppingLine(std::string(R"((^|\n)local0\.notice OrxStarter Starter\.Notice  \t\[\d{4,}\]\t)") +
                                  R"(\[1002\] The VPN service is stopping\.\n)");
    EXPECT_TRUE(std::regex_search(received, startedLine)) << received;
    EXPECT_TRUE(std::regex_search(received, stoppingLine)) << received;
}
