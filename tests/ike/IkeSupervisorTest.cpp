// The IKE supervisor in this process, with the daemon stand-in launched for
// real from build/bin: the handshake, the daemon's messages, its end, IKEEXT.
// This program plays the service (its channel "vpnsrvike") and the GUI (a
// channel of its own, as the GUI link).
#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"
#include "orxstarter/trace/DebugTrace.h"
#include "tests/support/DaemonStandin.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/Inbox.h"
#include "tests/support/InstalledService.h"
#include "tests/support/PartsOwner.h"
#include "tests/support/SystemLogFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

using namespace testing_support;

namespace {

constexpr uint32_t kEventDaemonStarted = 3001;  // event numbers of indices 6, 7, 10
constexpr uint32_t kEventDaemonStopped = 3002;
constexpr uint32_t kEventDaemonCrashed = 3003;
constexpr uint32_t kEventIkeextStopped = 1003;  // indices 43 and 44
constexpr uint32_t kEventIkeextRestarted = 1004;

// The test bench's sc.exe beside this program, where a command line without
// an application name looks first (Wine's own sc has no "config").
struct ScBesideUs {
    ScBesideUs() { CopyFileA(BinPath("testonly\\sc.exe").c_str(), BinPath("sc.exe").c_str(), FALSE); }
    ~ScBesideUs() {
        DeleteFileA(BinPath("sc.exe").c_str());
        DeleteFileA(BinPath("sc-calls.log").c_str());
    }
};

class IkeSupervisor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(path_.SetString(BinDir()));
        ASSERT_TRUE(ikeV2_.Remove());
        ASSERT_TRUE(ngPath_.Remove());
        alive_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_TRUE(gui_.ok());
        ASSERT_NE(nullptr, guiLink_.channel());
        owner_.ike = &ike;
        ike.Attach(&owner_, alive_);
        ASSERT_NE(nullptr, ike.InitServer());
    }

    void TearDown() override {
        KillDaemon();
        // The watchdog uses the owner to its end: joined here, while the
        // owner lives.
        EXPECT_TRUE(ike.WaitDaemonGone(10000));
        EXPECT_TRUE(ike.CloseChannels(10000));
        CloseHandle(alive_);
    }

    bool DaemonAlive() {
        orx::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, ike.Observe().processId));
        return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    }
    void KillDaemon() {
        orx::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ike.Observe().processId));
        if (process) {
            TerminateProcess(process.get(), 9);
            WaitForSingleObject(process.get(), 5000);
        }
    }
    // Launches the stand-in and expects its handshake to complete.
    void Launch() {
        ASSERT_TRUE(ike.Run());
        ASSERT_TRUE(ike.Observe().connected);
        ASSERT_EQ(ORX_READY_STATE, ike.Observe().state);
    }
    // Sends a message to the supervisor as the daemon would.
    void SendAsDaemon(const void* message, DWORD length) {
        HANDLE channel = IPCInitClient("vpnsrvike");
        ASSERT_NE(nullptr, channel);
        ASSERT_TRUE(IPCSendMsg(channel, message, length));
        IPCUnitialize(channel);
    }
    // `already`: the already-running variant (8 at offset 4, 2 at 16).
    void ExpectStatus(bool running, bool already) {
        Received status;
        ASSERT_TRUE(gui_.Next(status));
        EXPECT_EQ(running ? ORXIKE_STARTED : ORXIKE_STOPPED, status.type);
        EXPECT_EQ(IPC_MAX_MSG_SIZE, status.length);
        EXPECT_STREQ("4.40", status.bytes.c_str() + 8);
        EXPECT_EQ(already ? 8u : 0u, status.Word(4));
        EXPECT_EQ(already ? 2u : 0u, status.Word(16));
        EXPECT_EQ(LastSessionEvent.load(), status.Word(20));
    }
    // After an end in the ready state: ORXIKE_CRASHED, then the not-running form.
    void ExpectCrashReport() {
        Received crashed;
        ASSERT_TRUE(gui_.Next(crashed));
        EXPECT_EQ(ORXIKE_CRASHED, crashed.type);
        EXPECT_EQ(IPC_MAX_MSG_SIZE, crashed.length);
        ExpectStatus(false, false);
        // Then the watchdog's clear.
        EXPECT_TRUE(WaitUntil([&] { return !ike.Observe().connected && !ike.Observe().clientOpen; }));
        EXPECT_EQ(ORX_TERMINATED_STATE, ike.Observe().state);
    }

    static constexpr char kGuiChannel[] = "ike-test-gui";
    ScopedRegValue path_{HKEY_LOCAL_MACHINE, kAppPathsKey, "Path"};
    ScopedRegValue ikeV2_{HKEY_LOCAL_MACHINE, kAppPathsKey, "IkeV2"};
    ScopedRegValue ngPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "NgPath"};
    Inbox gui_{kGuiChannel};
    ChannelGui guiLink_{kGuiChannel};
    HANDLE alive_ = nullptr;
    PartsOwner owner_{ike, guiLink_};  // before the supervisor: it outlives the watchdogs
    COrxIke ike;
};

}  // namespace

TEST_F(IkeSupervisor, LaunchedDaemonIsReadyThenItsCrashIsReportedLoggedAndCleared) {
    SystemLogFile log;
    DaemonStandin daemon;
    Launch();
    ExpectStatus(true, false);  // JUST STARTED
    EXPECT_TRUE(log.WaitForEvent(kEventDaemonStarted));
    EXPECT_STREQ("orxike.exe", ike.Observe().imageName);
    EXPECT_TRUE(ike.Observe().clientOpen);

    // A second ALIVE: the already-running variant.
    unsigned char alive[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(alive, ORXIKE_ALIVE);
    SendAsDaemon(alive, sizeof alive);
    ExpectStatus(true, true);

    KillDaemon();
    ExpectCrashReport();
    EXPECT_TRUE(log.WaitForEvent(kEventDaemonCrashed));
    EXPECT_NE(std::string::npos, log.Text().find("[3003] The IKE daemon ended unexpectedly (state 3)."));

    // The next launch works.
    Launch();
    ExpectStatus(true, false);
}

TEST_F(IkeSupervisor, RequestedStopIsLoggedAsAStopAndStillReportedToTheGui) {
    SystemLogFile log;
    DaemonStandin daemon;
    Launch();
    ExpectStatus(true, false);
    owner_.StopIke();
    EXPECT_FALSE(DaemonAlive());
    ExpectCrashReport();
    EXPECT_TRUE(log.WaitForEvent(kEventDaemonStopped));
    EXPECT_EQ(std::string::npos, log.Text().find("[3003]"));
}

TEST_F(IkeSupervisor, StopAfterTheDaemonEndedTerminatesNothingElse) {
    DaemonStandin daemon;
    Launch();
    KillDaemon();
    ASSERT_TRUE(WaitUntil([&] { return ike.Observe().state == ORX_TERMINATED_STATE; }));
    // A bystander that got the daemon's process id: a stop that opened the
    // process by its id would end it.
    const DWORD daemonId = ike.Observe().processId;
    std::vector<std::unique_ptr<BackgroundProcess>> bystanders;
    BackgroundProcess* sameId = nullptr;
    for (int i = 0; i < 40 && sameId == nullptr; ++i) {
        bystanders.push_back(std::make_unique<BackgroundProcess>("\"" + BinPath("ipctool.exe") +
                                                                 "\" listen ike-test-bystander-" + std::to_string(i)));
        if (bystanders.back()->pid() == daemonId) sameId = bystanders.back().get();
    }
    EXPECT_FALSE(ike.Stop());
    for (const auto& bystander : bystanders) EXPECT_FALSE(bystander->Wait(0)) << "a bystander was ended";
    if (sameId == nullptr) std::printf("note: no bystander got the daemon's id %u in 40 tries\n", static_cast<unsigned>(daemonId));
}

TEST_F(IkeSupervisor, DaemonThatSaysItIsReadyToDieGetsOnlyTheNotRunningForm) {
    DaemonStandin daemon("exit_after_ms=300\nready_to_die=1\n");
    Launch();
    ExpectStatus(true, false);
    ExpectStatus(false, false);  // from ORXIKE_READY_TO_DIE
    EXPECT_TRUE(WaitUntil([&] { return !DaemonAlive() && !ike.Observe().clientOpen; }));
    EXPECT_TRUE(gui_.Quiet(500));  // the watchdog adds nothing but the clear
    EXPECT_EQ(ORX_TERMINATED_STATE, ike.Observe().state);
}

TEST_F(IkeSupervisor, DaemonChannelCreatedLateIsFoundByTheRetries) {
    DaemonStandin daemon("channel_delay_s=5\n");
    const ULONGLONG start = GetTickCount64();
    Launch();
    EXPECT_GE(GetTickCount64() - start, 4000u);
    EXPECT_TRUE(ike.Observe().clientOpen);
}

TEST_F(IkeSupervisor, DaemonMessagesAreRelayedAsTheyCameOrHandledAsTheirTypeSays) {
    SystemLogFile log;
    // A start error: the GUI gets the daemon's own message, unchanged.
    unsigned char started[24] = {};
    started[0] = ORXIKE_STARTED;
    started[16] = 5;
    SendAsDaemon(started, sizeof started);
    Received received;
    ASSERT_TRUE(gui_.Next(received));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(started), sizeof started), received.bytes);
    EXPECT_EQ(ORX_UNKNOWN_STATE, ike.Observe().state);
    EXPECT_TRUE(log.WaitForEvent(kEventDaemonStarted));
    EXPECT_FALSE(ike.Observe().clientOpen);  // no connection attempt

    // A relay keeps its length.
    unsigned char saAdd[40] = {ORXIKE_SA_ADD, 0, 0, 0, 7, 7, 7};
    SendAsDaemon(saAdd, sizeof saAdd);
    ASSERT_TRUE(gui_.Next(received));
    EXPECT_EQ(40u, received.length);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(saAdd), 40), received.bytes);

    // Silent notifications reach only a ready GUI.
    const unsigned char silent[8] = {ORXIKE_SILENT_NOTIFY};
    guiLink_.ready = false;
    SendAsDaemon(silent, sizeof silent);
    EXPECT_TRUE(gui_.Quiet(500));
    guiLink_.ready = true;
    SendAsDaemon(silent, sizeof silent);
    ASSERT_TRUE(gui_.Next(received));
    EXPECT_EQ(ORXIKE_SILENT_NOTIFY, received.type);

    // REMAIN tells the GUI "not running" and leaves the state alone.
    unsigned char alive[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(alive, ORXIKE_ALIVE);
    SendAsDaemon(alive, sizeof alive);
    ExpectStatus(true, false);
    unsigned char remain[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(remain, ORXIKE_REMAIN);
    SendAsDaemon(remain, sizeof remain);
    ExpectStatus(false, false);
    EXPECT_EQ(ORX_READY_STATE, ike.Observe().state);

    // An unknown type and a message too short to hold its type: nothing.
    const unsigned char unknown[4] = {0x34, 0x12};
    SendAsDaemon(unknown, sizeof unknown);
    SendAsDaemon(unknown, 0);
    EXPECT_TRUE(gui_.Quiet(500));
}

TEST_F(IkeSupervisor, SystemLogFormFromTheDaemonIsLoggedWithAFacilityAbove7TakenAs0) {
    SystemLogFile log;
    unsigned char form[IPC_MAX_MSG_SIZE] = {};
    auto& message = *reinterpret_cast<IpcSystemLogMsg*>(form);
    message.type = ORX_SYSTEMLOG;
    message.facility = 9;
    message.level = 3;
    message.eventIndex = 8;  // "IKE daemon: %s"
    std::strcpy(message.text, "phase 1 failed");
    SendAsDaemon(form, sizeof form);
    EXPECT_TRUE(log.WaitForEvent(3004));
    EXPECT_NE(std::string::npos, log.Text().find("Starter.Error   \t"));
    EXPECT_NE(std::string::npos, log.Text().find("[3004] IKE daemon: phase 1 failed"));
}

TEST_F(IkeSupervisor, IkeV2AndNgPathChooseTheImageAndItsDirectory) {
    const std::string ngDir = MakeTempDir("ngpath");
    ASSERT_TRUE(CopyFileA(BinPath("orxikeng.exe").c_str(), (ngDir + "\\orxikeng.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BinPath("OrxStarterLang.dll").c_str(), (ngDir + "\\OrxStarterLang.dll").c_str(), FALSE));
    DaemonStandin daemon;
    ASSERT_TRUE(ikeV2_.SetDword(1));
    {
        ASSERT_TRUE(ngPath_.SetString(ngDir));
        Launch();
        EXPECT_STREQ("orxikeng.exe", ike.Observe().imageName);
        EXPECT_TRUE(FileExists(ngDir + "\\orxikeng-received.log"));  // its directory is where it ran
        KillDaemon();
        ASSERT_TRUE(WaitUntil([&] { return ike.Observe().state == ORX_TERMINATED_STATE; }));
    }
    ASSERT_TRUE(ngPath_.Remove());
    Launch();
    EXPECT_TRUE(daemon.WaitForJournal("orxikeng", 10000, "orxikeng"));
    KillDaemon();
    ASSERT_TRUE(WaitUntil([&] { return ike.Observe().state == ORX_TERMINATED_STATE; }));
    RemoveTree(ngDir);
}

TEST_F(IkeSupervisor, UnusablePathsRefuseTheLaunch) {
    ASSERT_TRUE(path_.SetString(std::string(260, 'p')));
    EXPECT_FALSE(ike.Run());
    ASSERT_TRUE(path_.SetString(MakeTempDir("nodaemon")));  // no daemon there
    EXPECT_FALSE(ike.Run());
    // A path's line break reaches the trace escaped, as one line.
    DebugOutputCapture capture;
    SetDebugTraceFlags(TRACE_TO_DEBUGGER);
    ASSERT_TRUE(path_.SetString("C:\\nowhere\r\nforged"));
    EXPECT_FALSE(ike.Run());
    SetDebugTraceFlags(0);
    capture.Settle();
    const std::vector<std::string> lines = capture.TraceMessages("[VPNSTARTER64]");
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("C:\\nowhere\\x0D\\x0Aforged") != std::string::npos;
    }));
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.find_first_of("\r\n") != std::string::npos; }));
    ASSERT_TRUE(path_.Remove());
    EXPECT_FALSE(ike.Run());
}

// Each way a daemon of ours stops running restores IKEEXT on its own: a
// requested stop, a crash, a launch that fails after IKEEXT was stepped aside.
TEST_F(IkeSupervisor, RunningIkeextIsSteppedAsideWhileTheDaemonRunsAndRestoredOnEveryEnd) {
    DaemonStandin daemon;
    ScopedServiceRemoval cleanup("IKEEXT");
    ScBesideUs sc;
    ASSERT_EQ(0u, RunProcess("\"" + BinPath("testonly\\ikeext_standin.exe") + "\" -install", 10000).exitCode);
    const std::string noDaemon = MakeTempDir("nodaemon");
    const struct {
        const char* how;
        std::function<void()> end;
    } ways[] = {
        {"requested stop", [this] { owner_.StopIke(); }},
        {"crash", [this] { KillDaemon(); }},
        {"failed launch", [this, &noDaemon] {
             ASSERT_TRUE(path_.SetString(noDaemon));
             EXPECT_FALSE(ike.Run());
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        SystemLogFile log;
        DeleteFileA(BinPath("sc-calls.log").c_str());
        {
            orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
            orx::UniqueScHandle ikeext(OpenServiceA(manager.get(), "IKEEXT", SERVICE_START));
            StartServiceA(ikeext.get(), 0, nullptr);
            ASSERT_TRUE(WaitUntil([] { return ServiceState("IKEEXT") == SERVICE_RUNNING; }));
        }
        if (std::string(way.how) != "failed launch") {
            Launch();
            EXPECT_TRUE(ike.Observe().ikeextOurs);
            EXPECT_TRUE(WaitUntil([] { return ServiceState("IKEEXT") == SERVICE_STOPPED; }));
            EXPECT_TRUE(WaitUntil([] { return ServiceStartType("IKEEXT") == SERVICE_DISABLED; }));
            EXPECT_TRUE(log.WaitForEvent(kEventIkeextStopped));
        }
        way.end();
        // The restore is done once the end is handled. Not polled meanwhile:
        // Wine's service manager loses track of a handle (RPC context
        // mismatch) when one thread of a process closes its handles while
        // another starts a service.
        ASSERT_TRUE(ike.WaitDaemonGone(15000));
        EXPECT_EQ(DWORD(SERVICE_RUNNING), ServiceState("IKEEXT"));
        EXPECT_EQ(DWORD(SERVICE_AUTO_START), ServiceStartType("IKEEXT"));
        EXPECT_TRUE(log.WaitForEvent(kEventIkeextRestarted));
        EXPECT_FALSE(ike.Observe().ikeextOurs);
        ASSERT_TRUE(WaitUntil([] { return ServiceState("IKEEXT") == SERVICE_RUNNING; }));
        const std::string calls = ReadFileBytes(BinPath("sc-calls.log"));
        EXPECT_NE(std::string::npos, calls.find("config ikeext start= disabled")) << calls;
        EXPECT_NE(std::string::npos, calls.find("config ikeext start= auto")) << calls;
        EXPECT_EQ(std::string::npos, log.Text().find("[1005]")) << log.Text();  // no failure on the way
    }
    ASSERT_TRUE(path_.SetString(BinDir()));
    RemoveTree(noDaemon);
}
