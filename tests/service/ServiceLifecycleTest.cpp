// The real service object in this process (its Run on a thread of ours), with
// the daemon stand-in launched for real: what happens when things happen at
// once, when a local process forges the daemon's messages, and when the
// service stops or shuts down in the middle of it. Effects are asserted:
// daemon processes counted, messages received, system-log events.
#include "orxstarter/Service.h"

#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "sysdep/sysdep.h"
#include "tests/support/DaemonStandin.h"
#include "tests/support/Inbox.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/SystemLogFile.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

using namespace testing_support;

namespace {

constexpr uint32_t kEventDaemonStopped = 3002;  // event numbers of indices 7, 10, 11
constexpr uint32_t kEventDaemonCrashed = 3003;
constexpr uint32_t kEventServiceStopping = 1002;

std::string GuiChannel(bool logon) {
    DWORD session = 1;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return "Session\\" + std::to_string(session) + (logon ? "\\vpnlogonui" : "\\vpncfg");
}

// Sends one message on a channel of the service, opened for the send.
bool SendTo(const char* channel, uint32_t type, size_t offset = 0, const void* data = nullptr, size_t size = 0) {
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, type);
    if (data != nullptr) std::memcpy(message + offset, data, size);
    HANDLE to = IPCInitClient(channel);
    if (to == nullptr) return false;
    const bool sent = IPCSendMsg(to, message, sizeof message) != FALSE;
    IPCUnitialize(to);
    return sent;
}

// The highest number of daemon processes seen while `ms` pass.
int MostDaemonsDuring(DWORD ms) {
    int most = 0;
    for (const ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(50)) {
        most = std::max(most, CountProcesses("orxike.exe"));
    }
    return most;
}

class ServiceLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, CountProcesses("orxike.exe"));
        ASSERT_TRUE(settings_.SetString("Path", BinDir()));
        ASSERT_TRUE(settings_.SetString("LogPath", "OrxTestLifecycle\\Service"));
        char dataDir[MAX_PATH] = {};
        ASSERT_TRUE(GetLogDataDir(dataDir, sizeof dataDir));
        dataDir_ = dataDir;
        // The configuration that "IkeStart" loads before a launch.
        ASSERT_TRUE(WriteFileBytes(dataDir_ + "\\vpnconfig.cfg", "gateway = 192.0.2.1\r\n"));
    }

    void TearDown() override {
        StopService();
        EXPECT_EQ(0, CountProcesses("orxike.exe")) << "a daemon outlived the service";
        for (int i = 0; i < 50 && CountProcesses("orxike.exe") > 0; ++i) KillDaemons();
        RemoveTree(dataDir_);
    }

    void StartService() {
        service_ = std::make_unique<CService>();
        runner_ = std::thread([this] { service_->Run(0, nullptr); });
        ASSERT_TRUE(WaitUntil([] {
            HANDLE probe = IPCInitClient("Global\\vpnsrvlogonui");
            if (probe != nullptr) IPCUnitialize(probe);
            return probe != nullptr;
        }));
        log_ = std::make_unique<SystemLogFile>();  // after the service's own setup of the outputs
    }

    // Stops the service as the control handler would, and waits for its run
    // to end; true when that took less than `withinMs`.
    bool StopService(bool shutdown = false, DWORD withinMs = 20000) {
        if (!service_) return true;
        const ULONGLONG start = GetTickCount64();
        shutdown ? service_->Shutdown() : service_->Stop();
        runner_.join();
        const bool inTime = GetTickCount64() - start < withinMs;
        service_.reset();
        return inTime;
    }

    // This process plays the GUI: its channel, then its announcement (not
    // watched), then VPNCONF_STARTED on `channel`.
    void AnnounceGui(bool logon = false) {
        const DWORD pid = GetCurrentProcessId();
        ASSERT_TRUE(SendTo(logon ? "Global\\vpnsrvlogonui" : "Global\\vpnsrvcfg", SET_GUI_INFOS, 16, &pid, 4));
    }
    void StartDaemonAsGui() {
        SendTo("Global\\vpnsrvcfg", VPNCONF_STARTED);
        ASSERT_TRUE(WaitForStatus(ORXIKE_STARTED, 20000));
    }
    bool WaitForStatus(uint32_t type, DWORD timeoutMs = 10000) {
        for (Received message; guiSink_->Next(message, timeoutMs);) {
            last_ = message;
            if (message.type == type) return true;
        }
        return false;
    }
    bool GuiGot(uint32_t type, DWORD withinMs) { return WaitForStatus(type, withinMs); }
    void SendAsDaemon(uint32_t type) { ASSERT_TRUE(SendTo("vpnsrvike", type)); }
    static void KillDaemons() {
        for (DWORD id : ProcessIdsOf("orxike.exe")) KillProcess(id);
    }

    ScopedServiceSettings settings_;  // "SystemLogOutput" absent: the system log's outputs off
    std::string dataDir_;
    // This process's GUI channels; a test that runs a real GUI drops them.
    std::unique_ptr<Inbox> guiSink_ = std::make_unique<Inbox>(GuiChannel(false));
    std::unique_ptr<Inbox> logonSink_ = std::make_unique<Inbox>(GuiChannel(true));
    std::unique_ptr<CService> service_;
    std::thread runner_;
    std::unique_ptr<SystemLogFile> log_;
    Received last_;
};

}  // namespace

// ---- one daemon at a time ----

TEST_F(ServiceLifecycle, TwoGuisStartingAtOnceGetOneDaemon) {
    DaemonStandin daemon("channel_delay_s=3\n");
    StartService();
    AnnounceGui(false);
    AnnounceGui(true);
    std::thread other([] { SendTo("Global\\vpnsrvlogonui", VPNCONF_STARTED); });
    SendTo("Global\\vpnsrvcfg", VPNCONF_STARTED);
    other.join();
    EXPECT_EQ(1, MostDaemonsDuring(6000));
    EXPECT_EQ(1, CountProcesses("orxike.exe"));
}

// Forged "the daemon stopped" (or "ready to die") while it runs: a launch
// request replaces the daemon at most, never runs a second one beside it.
TEST_F(ServiceLifecycle, ForgedDaemonEndReportsNeverLeadToTwoDaemons) {
    for (uint32_t forged : {ORXIKE_STOPPED, ORXIKE_READY_TO_DIE}) {
        SCOPED_TRACE(forged);
        DaemonStandin daemon;
        StartService();
        AnnounceGui();
        StartDaemonAsGui();
        SendAsDaemon(forged);
        SendTo("Global\\vpnsrvcfg", VPNCONF_UPDATE_CONFIG);
        EXPECT_EQ(1, MostDaemonsDuring(8000));
        EXPECT_EQ(1, CountProcesses("orxike.exe"));
        // The service still talks to the daemon that runs.
        EXPECT_TRUE(daemon.WaitForJournal("VPNCONF_UPDATE_CONFIG")) << daemon.Journal();
        EXPECT_TRUE(StopService());
        EXPECT_EQ(0, CountProcesses("orxike.exe"));
    }
}

// A daemon that said it is ready to die and lives on a few seconds: the next
// start waits for its end, and that end tells the GUI nothing about the
// daemon that follows it.
TEST_F(ServiceLifecycle, OldDaemonEndingAfterReadyToDieLeavesItsSuccessorAlone) {
    auto first = std::make_unique<DaemonStandin>("exit_after_ms=3000\n");
    StartService();
    AnnounceGui();
    StartDaemonAsGui();
    first.reset();  // the next daemon runs with no end of its own
    SendAsDaemon(ORXIKE_READY_TO_DIE);
    ASSERT_TRUE(WaitForStatus(ORXIKE_STOPPED));
    std::thread start([] { SendTo("Global\\vpnsrvcfg", VPNCONF_STARTED); });
    EXPECT_EQ(1, MostDaemonsDuring(8000));
    start.join();
    EXPECT_FALSE(GuiGot(ORXIKE_CRASHED, 1000)) << "the old daemon's end was reported for the new one";
    EXPECT_EQ(1, CountProcesses("orxike.exe"));
    EXPECT_TRUE(service_->Daemon().DaemonConnected());
}

// ---- a stop ends everything ----

// The daemon has sent ORXIKE_STARTED but creates its channel, and says it is
// alive, only 20 s later: the stop, 2 s into that wait, ends it and returns
// without waiting for the connect loop.
TEST_F(ServiceLifecycle, StopDuringASlowLaunchEndsTheDaemon) {
    DaemonStandin daemon("channel_delay_s=20\n");
    StartService();
    AnnounceGui();
    std::thread start([] { SendTo("Global\\vpnsrvcfg", VPNCONF_STARTED); });
    ASSERT_TRUE(daemon.WaitForJournal("sent ORXIKE_STARTED"));
    Sleep(2000);
    EXPECT_TRUE(StopService(false, 10000));
    start.join();
    EXPECT_EQ(0, CountProcesses("orxike.exe"));
}

// With "IkeStart" "1", a watched GUI that exits when it is told the service
// stops: its end must not launch a daemon during the stop.
TEST_F(ServiceLifecycle, StopWithAWatchedGuiThatExitsLaunchesNoDaemon) {
    ASSERT_TRUE(settings_.SetString("IkeStart", "1"));
    DaemonStandin daemon;
    guiSink_.reset();  // the channels are tunpanel's own
    logonSink_.reset();
    for (int round = 0; round < 3; ++round) {
        StartService();
        EXPECT_TRUE(WaitUntil([] { return CountProcesses("orxike.exe") == 1; }));
        BackgroundProcess panel("\"" + BinPath("tunpanel.exe") + "\" start \"expect VPNCONF_STOPPED 60000\"");
        ASSERT_TRUE(panel.WaitForOutput("<- ORXIKE_STARTED", 20000)) << panel.Output();
        EXPECT_TRUE(StopService());
        EXPECT_TRUE(panel.Wait(10000)) << panel.Output();
        EXPECT_EQ(0, MostDaemonsDuring(1000)) << "round " << round;
    }
}

// A stop and a shutdown end a ready daemon as a requested stop (event 7, not
// the crash event 10). The GUI hears of the daemon's end either way; only the
// stop tells it VPNCONF_STOPPED and logs event 11.
TEST_F(ServiceLifecycle, StopAndShutdownEndTheDaemonAsARequestedStop) {
    for (bool shutdown : {false, true}) {
        SCOPED_TRACE(shutdown ? "shutdown" : "stop");
        DaemonStandin daemon;
        StartService();
        AnnounceGui();
        StartDaemonAsGui();
        SystemLogFile& log = *log_;
        ASSERT_TRUE(StopService(shutdown));
        EXPECT_EQ(0, CountProcesses("orxike.exe"));
        EXPECT_TRUE(log.WaitForEvent(kEventDaemonStopped)) << log.Text();
        EXPECT_EQ(std::string::npos, log.Text().find("[" + std::to_string(kEventDaemonCrashed) + "]")) << log.Text();
        EXPECT_TRUE(GuiGot(ORXIKE_CRASHED, 2000));
        EXPECT_EQ(!shutdown, GuiGot(VPNCONF_STOPPED, 2000));
        EXPECT_EQ(!shutdown, log.Text().find("[" + std::to_string(kEventServiceStopping) + "]") != std::string::npos);
        // Nothing of the service is served once it has stopped.
        for (const char* channel : {"Global\\vpnsrvcfg", "Global\\vpnsrvlogonui", "Global\\vpn2vpn", "vpnsrvike"}) {
            EXPECT_EQ(nullptr, IPCInitClient(channel)) << channel;
        }
        log_.reset();
    }
}

// The GUI's reset through the real service object: a requested stop.
TEST_F(ServiceLifecycle, ResetOfARunningDaemonIsLoggedAsARequestedStop) {
    DaemonStandin daemon;
    StartService();
    AnnounceGui();
    StartDaemonAsGui();
    SendTo("Global\\vpnsrvcfg", VPNCONF_RESET_IKE);
    EXPECT_TRUE(WaitUntil([] { return CountProcesses("orxike.exe") == 0; }));
    EXPECT_TRUE(log_->WaitForEvent(kEventDaemonStopped)) << log_->Text();
    EXPECT_EQ(std::string::npos, log_->Text().find("[" + std::to_string(kEventDaemonCrashed) + "]"));
}

// Session changes, which Wine's control manager never sends: the last one is
// kept and carried at 20 in the daemon-status form.
TEST_F(ServiceLifecycle, LastSessionChangeIsCarriedInTheDaemonStatus) {
    DaemonStandin daemon;
    StartService();
    service_->SessionChange(7);  // WTS_SESSION_LOCK
    service_->SessionChange(8);  // WTS_SESSION_UNLOCK
    EXPECT_EQ(8u, LastSessionEvent.load());
    AnnounceGui();
    StartDaemonAsGui();
    EXPECT_EQ(8u, last_.Word(20));
    SendTo("Global\\vpnsrvcfg", VPNCONF_STARTED);  // the daemon runs: the status comes from the broker
    ASSERT_TRUE(WaitForStatus(ORXIKE_STARTED));
    EXPECT_EQ(8u, last_.Word(20));
    EXPECT_EQ(2u, last_.Word(16));
    LastSessionEvent = 0;
}

// The daemon runs in its own directory ("Path"), whatever the service's is.
TEST_F(ServiceLifecycle, DaemonRunsInItsOwnDirectory) {
    DaemonStandin daemon;
    StartService();
    AnnounceGui();
    StartDaemonAsGui();
    EXPECT_TRUE(daemon.WaitForJournal("cwd=" + BinDir() + " dir=")) << daemon.Journal();
}

// The logon GUI's channel cannot be opened (its name is taken): the start
// ends, and the channels opened before it are not left served.
TEST_F(ServiceLifecycle, FailedGuiChannelLeavesNoChannelServed) {
    orx::UniqueHandle squatter(CreateMutexA(nullptr, FALSE, "Global\\vpnsrvlogonui"));
    ASSERT_TRUE(squatter);
    service_ = std::make_unique<CService>();
    runner_ = std::thread([this] { service_->Run(0, nullptr); });
    runner_.join();  // the run ends by itself
    service_.reset();
    for (const char* name : {"Global\\vpnsrvcfg", "Global\\vpn2vpn", "vpnsrvike"}) {
        HANDLE left = IPCInitClient(name);
        EXPECT_EQ(nullptr, left) << name << " is still served";
        if (left != nullptr) IPCUnitialize(left);
    }
}
