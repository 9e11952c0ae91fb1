// Against the test bench's rsyslog: every facility (local0 to local7) and
// severity is filed where it belongs. Skipped without the bench's rsyslogd.
#include "systemlog/SystemLog.h"
#include "tests/systemlog/SystemLogTestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace systemlog;
using namespace systemlog_test;

TEST(Rsyslog, EveryFacilityAndSeverityIsFiledWhereItBelongs) {
    const BenchSyslog bench = FindBenchSyslog();
    if (bench.port == 0) GTEST_SKIP() << "no rsyslog on this bench (ORX_SYSLOG_PORT/FILE unset)";
    const std::string marker = "run" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    SystemLog log;
    ASSERT_TRUE(log.EnableSyslog("127.0.0.1", "OrxStarter", bench.port));
    for (uint8_t facility = 0; facility < 8; ++facility) {
        for (int32_t level = 0; level < 8; ++level) {
            log.Log(1000, facility, level, "%s f%d l%d", marker.c_str(), facility, level);
        }
    }

    const char* severities[] = {"emerg", "alert", "crit", "err", "warning", "notice", "info", "debug"};
    std::string received;
    const auto filed = [&](int facility, int level) {
        const std::string where = "local" + std::to_string(facility) + "\\." + severities[level];
        const std::string what = marker + " f" + std::to_string(facility) + " l" + std::to_string(level);
        return std::regex_search(received, std::regex("(^|\n)" + where + " OrxStarter [^\n]*" + what + "\n"));
    };
    testing_support::WaitUntil([&] {
        received = testing_support::ReadFileBytes(bench.file);
        return filed(7, 7);  // the last one sent
    });
    for (int facility = 0; facility < 8; ++facility) {
        for (int level = 0; level < 8; ++level) EXPECT_TRUE(filed(facility, level)) << facility << " " << level;
    }
}
