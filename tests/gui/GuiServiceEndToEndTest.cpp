// END TO END: the real service under Wine's service control manager, the
// GUI stand-in and the daemon stand-in. tunpanel.exe announces itself and
// starts: the daemon comes up, the GUI learns it with "4.40", the daemon gets
// the service's VPNCONF_STARTED and answers with a notification the service
// relays; then a configuration load, the panel opened with the right
// password and refused with a wrong one, and the GUI closes.
#include "tests/support/InstalledService.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

using namespace testing_support;
using ::testing::HasSubstr;

namespace {

constexpr char kLogPath[] = "OrxTestGui\\E2E";
// The service's data directory: under the service control manager, Wine's
// all-users directory is C:\users\Public.
constexpr char kDataRoot[] = "C:\\users\\Public\\OrxTestGui";
constexpr char kDataDir[] = "C:\\users\\Public\\OrxTestGui\\E2E";

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

class GuiServiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* exe : {"orxstarter.exe", "tunpanel.exe", "orxike.exe", "Profstore.dll"}) {
            ASSERT_TRUE(FileExists(BinPath(exe))) << exe;
        }
        // The daemon runs from a directory of its own, where its journal goes.
        ASSERT_TRUE(CopyFileA(BinPath("orxike.exe").c_str(), (daemonDir_ + "\\orxike.exe").c_str(), FALSE));
        ASSERT_TRUE(settings_.SetString("Path", daemonDir_));
        ASSERT_TRUE(settings_.SetString("LogPath", kLogPath));
        ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 1));
        RemoveTree(kDataRoot);
        ASSERT_TRUE(CreateDirectoryA(kDataRoot, nullptr) && CreateDirectoryA(kDataDir, nullptr));
        ASSERT_TRUE(std::ofstream(std::string(kDataDir) + "\\vpnconfig.cfg") << "gateway=192.0.2.1\n");
        // Stored under the product key and under "SOFTWARE\<LogPath>", as the service reads it.
        const ProcessResult set = RunProcess(Quoted(BinPath("tunpanel.exe")) + " --set-panel-password Secret-1");
        ASSERT_EQ(0u, set.exitCode) << set.output;
    }
    void TearDown() override {
        RemoveTree(kDataRoot);
        RemoveTree(daemonDir_);
        DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxTestGui");
    }

    static void Service(const char* option, const char* printed) {
        const ProcessResult result = RunProcess(Quoted(BinPath("orxstarter.exe")) + " " + option, 90000);
        EXPECT_EQ(0u, result.exitCode) << option << ": " << result.output;
        EXPECT_THAT(result.output, HasSubstr(std::string("OrxIke Starter ") + printed));
    }

    std::string daemonDir_ = MakeTempDir("guie2e");
    ScopedServiceSettings settings_;
};

}  // namespace

TEST_F(GuiServiceEndToEnd, AnnounceStartLoadPanelAndClose) {
    ScopedServiceRemoval removal;
    Service("-i", "installed.");
    Service("-s", "started.");
    const ProcessResult gui = RunProcess(
        Quoted(BinPath("tunpanel.exe")) +
            " start \"expect ORXIKE_STARTED 40000\" \"expect ORXIKE_CONFIG_OK 10000\" \"config load\""
            " \"expect CONFIG_RESP\" \"panel Secret-1\" \"expect CFGPANEL_OPEN_GRANTED\" \"panel Secret-2\""
            " \"expect CFGPANEL_OPEN_REFUSED\" close",
        120000);
    Service("-e", "stopped.");
    Service("-u", "removed.");

    EXPECT_EQ(0u, gui.exitCode) << gui.output;
    EXPECT_THAT(gui.output, HasSubstr("<- ORXIKE_STARTED len=696 version=\"4.40\""));
    EXPECT_THAT(gui.output, HasSubstr("<- CONFIG_RESP len=696 result=0 "));
    EXPECT_THAT(gui.output, HasSubstr("panel GRANTED"));
    EXPECT_THAT(gui.output, HasSubstr("panel REFUSED"));
    EXPECT_THAT(ReadFileBytes(daemonDir_ + "\\orxike-received.log"), HasSubstr("recv VPNCONF_STARTED len=696"));
    const std::string log =
        ReadFileBytes(std::string(kDataDir) + "\\LogFiles\\System\\" + TodayDashed() + "-ORXSystemLog.log");
    for (const char* level : {"Info    ", "Error   "}) {  // the panel granted, then refused
        EXPECT_TRUE(std::regex_search(log, std::regex(std::string("    GUI\\.") + level + "\t\\[\\d+\\]\t\\[2005\\]")))
            << log;
    }
}
