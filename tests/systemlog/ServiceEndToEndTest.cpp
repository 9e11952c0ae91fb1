// END TO END: the real service executable, installed and started through
// Wine's service control manager with "SystemLogOutput" = 3, writes event
// index 0 (with its number, the output bitmask) to the day's system log file
// under its data directory and to the syslog server when it starts, and
// event index 11 when it stops.
#include "tests/support/InstalledService.h"
#include "tests/systemlog/SystemLogTestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using namespace systemlog_test;
using namespace testing_support;

namespace {

constexpr char kTestRoot[] = "C:\\users\\Public\\OrxTestH3";  // the parent part of kLogPath
constexpr char kLogPath[] = "OrxTestH3\\ServiceE2E";
// As patterns: "Starter.Notice  " TAB "[thread]" TAB, and the two events that follow it.
const std::string kNotice = R"(Starter\.Notice  \t\[\d{4,}\]\t)";
const char* const kEvents[] = {R"(\[1001\] The system log has started \(outputs 3\)\.)",
                               R"(\[1002\] The VPN service is stopping\.)"};

bool HasLine(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex("(^|\n)" + pattern));
}

class ServiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(BinPath("orxstarter.exe")));
        ASSERT_TRUE(logPath_.SetString(kLogPath));
        ASSERT_TRUE(output_.SetDword(3));
        ASSERT_TRUE(server_.SetString("127.0.0.1"));
        RemoveTree(kTestRoot);
    }
    void TearDown() override { RemoveTree(kTestRoot); }

    // Installs, starts, stops and removes the service, its syslog server at `port`.
    void RunService(uint16_t port) {
        ASSERT_TRUE(port_.SetDword(port));
        ScopedServiceRemoval removal;
        const char* steps[][2] = {{"-i", "installed."}, {"-s", "started."}, {"-e", "stopped."}, {"-u", "removed."}};
        for (const auto& step : steps) {
            const ProcessResult result = RunProcess("\"" + BinPath("orxstarter.exe") + "\" " + step[0], 90000);
            EXPECT_EQ(0u, result.exitCode) << step[0] << ": " << result.output;
            EXPECT_NE(std::string::npos, result.output.find(std::string("OrxIke Starter ") + step[1])) << result.output;
        }
    }

    // A service started by the service control manager sees
    // ALLUSERSPROFILE=C:\users\Public, unlike this program.
    static std::string DayFile() {
        return std::string("C:\\users\\Public\\") + kLogPath + "\\LogFiles\\System\\" + TodayDashed() +
               "-ORXSystemLog.log";
    }

    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    ScopedRegValue output_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogOutput"};
    ScopedRegValue server_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogServer"};
    ScopedRegValue port_{HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogPort"};
};

}  // namespace

TEST_F(ServiceEndToEnd, StartedServiceLogsItsStartAndStopToTheFileAndTheSyslogServer) {
    UdpReceiver udp;
    ASSERT_TRUE(udp.ok());
    RunService(udp.port());
    for (const std::string event : kEvents) {
        std::string datagram;
        ASSERT_TRUE(udp.Receive(datagram, 15000)) << event;
        EXPECT_TRUE(std::regex_match(datagram, std::regex("<133> OrxStarter " + kNotice + event + R"(\x00)")))
            << datagram;
        const std::string record = R"(\d{8} \d\d:\d\d:\d\d:\d{3} \t)" + kNotice + event + "\r\n";
        EXPECT_TRUE(Eventually([&] { return HasLine(ReadFileBytes(DayFile()), record); })) << ReadFileBytes(DayFile());
    }
}

TEST_F(ServiceEndToEnd, RsyslogFilesTheStartedServicesEventsUnderLocal0Notice) {
    const BenchSyslog bench = FindBenchSyslog();
    if (bench.port == 0) GTEST_SKIP() << "no rsyslog on this bench (ORX_SYSLOG_PORT/FILE unset)";
    const size_t before = ReadFileBytes(bench.file).size();
    RunService(bench.port);
    for (const std::string event : kEvents) {
        const std::string line = R"(local0\.notice OrxStarter )" + kNotice + event + "\n";
        EXPECT_TRUE(Eventually([&] { return HasLine(ReadFileBytes(bench.file).substr(before), line); }))
            << ReadFileBytes(bench.file).substr(before);
    }
}
