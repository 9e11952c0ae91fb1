// A service started by the service control manager, with "StarterLogFile" = 2
// and "LogPath" set, appends its debug trace to the day's file under the
// data directory that the manager's environment gives it.
#include "InstalledService.h"
#include "StarterProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

using namespace testing_support;
using namespace service_test;

namespace {

// What Wine's service control manager gives its services as ALLUSERSPROFILE.
const char kServiceAllUsers[] = "C:\\users\\Public";

struct TraceLine {
    std::string thread, source, message;
};

// Splits the file at CR LF; false when a line feed comes without its CR.
bool SplitCrLf(const std::string& data, std::vector<std::string>& lines) {
    size_t start = 0;
    for (size_t lf = data.find('\n'); lf != std::string::npos; lf = data.find('\n', start)) {
        if (lf == 0 || data[lf - 1] != '\r') return false;
        lines.push_back(data.substr(start, lf - 1 - start));
        start = lf + 1;
    }
    return start == data.size();
}

// True when `wanted` appear in this order (not necessarily adjacent) in `got`.
bool InOrder(const std::vector<std::string>& got, const std::vector<std::string>& wanted) {
    auto at = got.begin();
    for (const std::string& w : wanted) {
        at = std::find(at, got.end(), w);
        if (at == got.end()) return false;
        ++at;
    }
    return true;
}

class ScopedTree {
public:
    explicit ScopedTree(std::string path) : path_(std::move(path)) { RemoveTree(path_); }
    ~ScopedTree() { RemoveTree(path_); }
    ScopedTree(const ScopedTree&) = delete;
    ScopedTree& operator=(const ScopedTree&) = delete;

private:
    std::string path_;
};

}  // namespace

TEST(StarterTraceFile, AStartedServiceAppendsTimestampedCrLfLines) {
    const std::string top = "OrxTraceTest" + std::to_string(GetCurrentProcessId());
    const std::string dataDir = std::string(kServiceAllUsers) + "\\" + top + "\\Logs";
    ScopedTree tree(std::string(kServiceAllUsers) + "\\" + top);
    // The trace never creates LogFiles itself.
    for (const std::string& dir : {std::string(kServiceAllUsers) + "\\" + top, dataDir, dataDir + "\\LogFiles"}) {
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    }
    const std::string file = dataDir + "\\LogFiles\\" + TodayDashed() + "-vpnstarterdbg.log";
    {
        FILE* earlier = std::fopen(file.c_str(), "wb");
        ASSERT_NE(nullptr, earlier);
        std::fputs("earlier line\r\n", earlier);
        std::fclose(earlier);
    }

    ScopedRegValue logFile(HKEY_LOCAL_MACHINE, kAppPathsKey, "StarterLogFile");
    ScopedRegValue logPath(HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath");
    ASSERT_TRUE(logFile.SetBinary({2}));
    ASSERT_TRUE(logPath.SetString(top + "\\Logs"));

    {
        ScopedServiceRemoval cleanup;
        ASSERT_EQ(0u, Starter("-i").exitCode);
        ASSERT_EQ(0u, Starter("-s").exitCode);
        ASSERT_EQ(0u, Starter("-e").exitCode);
    }

    std::vector<std::string> lines;
    ASSERT_TRUE(SplitCrLf(ReadFileBytes(file), lines)) << "every line ends in CR LF";
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("earlier line", lines.front());  // appended, never truncated

    const std::regex format(R"(\d{8} \d{2}:\d{2}:\d{2}:\d{3} \[VPNSTARTER64\]\[(\d+)\] \(([^:]+):\d+\) (.*))");
    std::map<std::string, std::vector<std::string>> byThread;
    std::string runThread;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, format)) << lines[i];
        byThread[m[1]].push_back(m[3]);
        if (m[3] == "=> CService::Run...") {
            EXPECT_EQ("Service.cpp", m[2].str());
            runThread = m[1];
        }
    }
    ASSERT_FALSE(runThread.empty()) << "no run line";

    // The run thread up to its wait; the stop on the dispatcher's thread up to
    // setting the stop event. Later lines of the two threads may collide on
    // the unshared file and be dropped, so they are not required.
    EXPECT_TRUE(InOrder(byThread[runThread], {"=> CService::Run...", "=> ReportStatus 0x00000002",
                                              "<= ReportStatus 0x00000002", "   End ReportStatus(SERVICE_START_PENDING)",
                                              "=> ReportStatus 0x00000004", "<= ReportStatus 0x00000004"}));
    bool stopSeen = false;
    for (const auto& [thread, messages] : byThread) {
        if (thread == runThread) continue;
        stopSeen |= InOrder(messages, {"=> ServiceCtrl with code 0x0001", "=> CService::Stop()",
                                       "=> ReportStatus 0x00000003", "<= ReportStatus 0x00000003"});
    }
    EXPECT_TRUE(stopSeen) << "no stop lines on the dispatcher's thread";
}
