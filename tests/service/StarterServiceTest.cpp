// END TO END: the whole service under Wine's service control manager, with
// the daemon stand-in (build/bin/orxike.exe), the GUI stand-in (tunpanel.exe)
// and the configuration library stand-in (Profstore.dll).
// Not shown here, because Wine cannot do it: a shutdown control (Wine sends
// it to services only when the whole prefix shuts down), session-change
// controls, and GUIs in other sessions (every process is in session 1).
#include "common/orxinterps/src/interps.h"
#include "tests/support/DaemonStandin.h"
#include "tests/support/InstalledService.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

constexpr char kLogPath[] = "OrxTestStarter\\Service";
constexpr char kTestRoot[] = "C:\\users\\Public\\OrxTestStarter";
// A service started by the service control manager sees ALLUSERSPROFILE=C:\users\Public.
constexpr char kDataDir[] = "C:\\users\\Public\\OrxTestStarter\\Service";

class StarterService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settings_.SetString("LogPath", kLogPath));
        ASSERT_TRUE(settings_.SetBinary("StarterLogFile", {2}));
        ASSERT_TRUE(settings_.SetDword("SystemLogOutput", 1));
        ASSERT_TRUE(settings_.SetString("Path", BinDir()));
        RemoveTree(kTestRoot);
        // The configuration the daemon is started with.
        ASSERT_TRUE(CreateDirectoryA(kTestRoot, nullptr) && CreateDirectoryA(kDataDir, nullptr));
        ASSERT_TRUE(WriteFileBytes(std::string(kDataDir) + "\\vpnconfig.cfg", "gateway = 192.0.2.1\r\n"));
    }
    void TearDown() override {
        Starter("-u");
        // A deleted service lingers in the manager until its last handle is closed.
        EXPECT_TRUE(WaitUntil([] { return ServiceState() == 0; }));
        if (!HasFailure()) RemoveTree(kTestRoot);
        DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxTestStarter");
    }

    void StartService() {
        ASSERT_EQ(0u, Starter("-i").exitCode);
        const ProcessResult started = Starter("-s");
        ASSERT_EQ(0u, started.exitCode) << started.output;
    }
    static std::string Tunpanel(const std::string& requests) {
        return "\"" + BinPath("tunpanel.exe") + "\" " + requests;
    }

    ProcessResult Starter(const std::string& option) {
        return RunProcess("\"" + BinPath("orxstarter.exe") + "\" " + option, 90000);
    }
    std::string Trace() const {
        return ReadFileBytes(std::string(kDataDir) + "\\LogFiles\\" + TodayDashed() + "-vpnstarterdbg.log");
    }
    std::string SystemLog() const {
        return ReadFileBytes(std::string(kDataDir) + "\\LogFiles\\System\\" + TodayDashed() + "-ORXSystemLog.log");
    }

    ScopedServiceSettings settings_;
    DaemonStandin daemon_{"notify_type=4\nnotify_length=40\nnotify_every_ms=500\nnotify_count=0\n"};
    ScopedServiceRemoval removal_;
};

}  // namespace

// A kernel object of another type holding the name of the IKE channel: the
// GUI channels are never tried and the service goes from start-pending to
// stopped without ever reporting running.
TEST_F(StarterService, SquattedIkeChannelEndsTheStartBeforeTheGuiChannels) {
    orx::UniqueHandle squatter(CreateMutexA(nullptr, FALSE, "vpnsrvike"));
    ASSERT_TRUE(squatter);
    ASSERT_EQ(0u, Starter("-i").exitCode);
    const ProcessResult started = Starter("-s");
    EXPECT_EQ(1u, started.exitCode);
    EXPECT_NE(std::string::npos, started.output.find("OrxIke Starter failed to start.")) << started.output;
    EXPECT_TRUE(WaitUntil([] { return ServiceState() == SERVICE_STOPPED; }));

    const std::string trace = Trace();
    EXPECT_NE(std::string::npos, trace.find("<= IPCInitServer vpnsrvike failed!!!")) << trace;
    EXPECT_EQ(std::string::npos, trace.find("vpnsrvcfg")) << trace;
    EXPECT_EQ(std::string::npos, trace.find("ReportStatus 0x00000004")) << trace;
    EXPECT_NE(std::string::npos, trace.find("<= CService::Run")) << trace;
}

// The conversation a user sees: a GUI announces itself and starts, the
// daemon comes up and the GUI gets its status, a configuration load, the
// panel opened with the right password and refused with a wrong one, a
// daemon notification relayed as it came, the GUI closes.
TEST_F(StarterService, TypicalConversationFromTheStartToTheStop) {
    const ProcessResult password = RunProcess(Tunpanel("--set-panel-password \"OpenSesame\""), 30000);
    ASSERT_EQ(0u, password.exitCode) << password.output;
    StartService();
    const ProcessResult gui = RunProcess(
        Tunpanel("start \"expect ORXIKE_STARTED 30000\" \"config load L=1 A=1\" \"expect CONFIG_RESP\" "
                 "\"panel OpenSesame\" \"expect CFGPANEL_OPEN_GRANTED\" \"panel wrong\" "
                 "\"expect CFGPANEL_OPEN_REFUSED\" \"expect ORXIKE_SA_ADD 10000\" close"),
        90000);
    EXPECT_EQ(0u, gui.exitCode) << gui.output;
    EXPECT_NE(std::string::npos, gui.output.find("<- ORXIKE_STARTED len=696 version=\"4.40\"")) << gui.output;
    EXPECT_NE(std::string::npos, gui.output.find("<- CONFIG_RESP len=696 result=0 L=1 op=0")) << gui.output;
    EXPECT_NE(std::string::npos, gui.output.find("<- ORXIKE_SA_ADD len=40 ")) << gui.output;
    EXPECT_TRUE(daemon_.WaitForJournal("VPNCONF_STARTED"));
    EXPECT_EQ(0u, Starter("-e").exitCode);

    const std::string log = SystemLog();
    for (const char* event : {"[2001]", "[3001]", "[2005] Configuration panel password checked, access granted (1) or refused (0): 1",
                              "[2005] Configuration panel password checked, access granted (1) or refused (0): 0",
                              "[2002]", "[1002]"}) {
        EXPECT_NE(std::string::npos, log.find(event)) << event << "\n" << log;
    }
}
