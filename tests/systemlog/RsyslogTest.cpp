// Against the test bench's rsyslog (scripts/lib/syslog.sh): the datagrams are
// filed under the right facility (local0 to local7) and severity. The bench
// tells the port and the file it writes through ORX_SYSLOG_PORT and
// ORX_SYSLOG_FILE; without them (ctest run by hand) the test is skipped.
#include "SystemLog.h"
#include "SystemLogTestSupport.h"
#include "TestSupport.h"
#include "gui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace systemlog;
using namespace testing_support;

namespace {

class Rsyslog : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = EnvVar("ORX_SYSLOG_PORT");
        file_ = EnvVar("ORX_SYSLOG_FILE");
        if (port.empty() || file_.empty()) GTEST_SKIP() << "no rsyslog on this bench (ORX_SYSLOG_PORT/FILE unset)";
        port_ = static_cast<uint16_t>(std::atoi(port.c_str()));
        marker_ = "run" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    }

    // The lines of rsyslog's file that carry `needle`, waiting for `count` of them.
    std::vector<std::string> LinesWith(const std::string& needle, size_t count) {
        std::vector<std::string> found;
        for (int attempt = 0; attempt < 100 && found.size() < count; ++attempt) {
            if (attempt > 0) Sleep(100);
            found.clear();
            const std::string data = ReadFileBytes(file_);
            size_t start = 0;
            while (start < data.size()) {
                size_t end = data.find('\n', start);
                if (end == std::string::npos) end = data.size();
                const std::string line = data.substr(start, end - start);
                if (line.find(needle) != std::string::npos) found.push_back(line);
                start = end + 1;
            }
        }
        return found;
    }

    std::string file_;
    uint16_t port_ = 0;
    std::string marker_;
};

}  // namespace

TEST_F(Rsyslog, EveryFacilityAndSeverityIsFiledWhereItBelongs) {
    const char* severities[] = {"emerg", "alert", "crit", "err", "warning", "notice", "info", "debug"};
    SystemLog log;
    ASSERT_TRUE(log.EnableSyslog("127.0.0.1", "OrxStarter", port_));
    for (uint8_t facility = 0; facility < 8; ++facility) {
        for (int32_t level = 0; level < 8; ++level) {
            log.Log(1000 + facility * 10 + level, facility, level, "%s f%d l%d", marker_.c_str(), facility, level);
        }
    }
    const auto lines = LinesWith(marker_, 64);
    ASSERT_EQ(64u, lines.size());
    for (uint8_t facility = 0; facility < 8; ++facility) {
        for (int32_t level = 0; level < 8; ++level) {
            const std::string expected = "local" + std::to_string(facility) + "." + severities[level] + " ";
            const std::string text = marker_ + " f" + std::to_string(facility) + " l" + std::to_string(level);
            bool seen = false;
            for (const std::string& line : lines) {
                if (line.find(text) != std::string::npos) {
                    seen = true;
                    EXPECT_EQ(0u, line.find(expected)) << line;
                }
            }
            EXPECT_TRUE(seen) << text;
        }
    }
}

TEST_F(Rsyslog, TheAnnouncementOfAStartedSystemLogIsLocal0Notice) {
    ScopedRegValue output(HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogOutput");
    ScopedRegValue server(HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogServer");
    ScopedRegValue port(HKEY_LOCAL_MACHINE, kAppPathsKey, "SystemLogSyslogPort");
    ASSERT_TRUE(output.SetDword(2));
    ASSERT_TRUE(server.SetString("127.0.0.1"));
    ASSERT_TRUE(port.SetDword(port_));
    const size_t before = LinesWith("[1001] The system log has started (outputs 2).", 0).size();

    CGui::InitLogsSystem();
    CGui::UninitLogsSystem();

    const auto lines = LinesWith("[1001] The system log has started (outputs 2).", before + 1);
    ASSERT_EQ(before + 1, lines.size());
    EXPECT_EQ(0u, lines.back().find("local0.notice ")) << lines.back();
    EXPECT_NE(std::string::npos, lines.back().find("Starter.Notice")) << lines.back();
}
