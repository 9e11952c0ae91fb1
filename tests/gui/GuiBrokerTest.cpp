// The broker in this process, driven over its real channels: the test plays
// the GUIs (or starts tunpanel.exe where a real process must be watched) and
// the daemon, and reads the answers, the registry, the channel's memory and
// the system log.
#include "tests/gui/GuiTestSupport.h"
#include "orxstarter/gui/RegistryPolicy.h"
#include "tests/support/ProcessProbe.h"

#include <gmock/gmock.h>

#include <memory>
#include <thread>

using namespace gui_test;
using namespace testing_support;
using ::testing::HasSubstr;

namespace {

constexpr char kTestKey[] = "SOFTWARE\\OrxGuiTest";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class Broker : public BrokerTest {
protected:
    void TearDown() override {
        BrokerTest::TearDown();
        DeleteRegTree(HKEY_LOCAL_MACHINE, kTestKey);
    }
    void SendAndFence(const Bytes& message, DWORD length = IPC_MAX_MSG_SIZE) {
        ASSERT_TRUE(Send(message, false, length));
        Fence();
    }
};

}  // namespace

TEST_F(Broker, AnswersFollowTheLastGuiAndClearFallsBackToTheOther) {
    Announce(false);
    Announce(true);
    EXPECT_EQ(gui.Observe().currentSlot, gui.Observe().logonSlot);
    // The relay keeps the message's length and reaches the current GUI.
    HANDLE relay = IPCInitClient("Global\\vpn2vpn");
    ASSERT_TRUE(IPCSendMsg(relay, Message(ORXIKE_SA_ADD).data(), 40));
    EXPECT_EQ(40u, logon->Take(ORXIKE_SA_ADD).size());
    IPCUnitialize(relay);

    gui.Clear(0);
    EXPECT_EQ(nullptr, gui.Observe().userSlot);
    EXPECT_EQ(gui.Observe().currentSlot, gui.Observe().logonSlot);
    gui.Clear(7);  // names no slot
    EXPECT_NE(nullptr, gui.Observe().logonSlot);

    Announce(false);
    const HANDLE earlier = gui.Observe().userSlot;
    Announce(false);
    EXPECT_FALSE(IPCSendMsg(earlier, Message(ORXIKE_SA_ADD).data(), 40)) << "a GUI announced again: its earlier channel is closed";
    Bytes close = Message(VPNCONF_CLOSED);
    close[24] = 1;
    SendAndFence(close);
    EXPECT_EQ(nullptr, gui.Observe().logonSlot);
    EXPECT_EQ(gui.Observe().currentSlot, gui.Observe().userSlot);
    EXPECT_EQ(ORX_TERMINATED_STATE, gui.Observe().state);
    EXPECT_THAT(SystemLog(), HasSubstr("[2002]"));
    EXPECT_TRUE(daemon.Take(VPNCONF_CLOSED, 200).empty()) << "VPNCONF_CLOSED is not for the daemon";
}

// Event 9, the daemon told as "NetParams" and the connect type say, the
// user-session slot cleared, the configuration reloaded.
TEST_F(Broker, GuiKilledWhileReadyIsReportedAndTheDaemonTold) {
    const struct {
        const char* netParams;
        bool logon;
        uint32_t told;
    } cases[] = {{nullptr, false, VPNCONF_STOPPED}, {"1", false, VPNCONF_KEEP_IKE}, {nullptr, true, VPNCONF_CLOSED}};
    user.reset();  // the GUI's channels are tunpanel's own now
    logon.reset();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told);
        ScopedRegValue netParams(HKEY_LOCAL_MACHINE, kProductKey, "NetParams");
        ASSERT_TRUE(c.netParams != nullptr ? netParams.SetString(c.netParams) : netParams.Remove());
        const int loads = owner.loads;
        BackgroundProcess panel("\"" + BinPath("tunpanel.exe") + "\" " + (c.logon ? "--logon " : "") +
                                "start \"wait 60000\"");
        ASSERT_FALSE(daemon.Take(VPNCONF_STARTED, 20000).empty()) << panel.Output();
        EXPECT_TRUE(panel.WaitForOutput("<- ORXIKE_STARTED len=696 version=\"4.40\" word4=8", 5000)) << panel.Output();
        panel.Kill();
        EXPECT_FALSE(daemon.Take(c.told, 10000).empty());
        EXPECT_TRUE(WaitUntil([&] { return owner.loads > loads; }, 5000));
        EXPECT_EQ(ORX_TERMINATED_STATE, gui.Observe().state);
        EXPECT_EQ(nullptr, gui.Observe().userSlot);
    }
    EXPECT_THAT(SystemLog(), HasSubstr("    GUI.Error   "));
    EXPECT_THAT(SystemLog(), HasSubstr("[2003]"));
}

TEST_F(Broker, SecretsReadZeroInTheChannelMemoryOnceHandled) {
    Announce(false);
    MailboxView mailbox;
    ASSERT_NE(nullptr, mailbox.view);
    const struct {
        uint32_t code;
        size_t size;
        uint32_t evidence;  // shows the broker is done with it
        Inbox* at;
    } cases[] = {{VPNCONF_PINCODE_SET, 204, VPNCONF_PINCODE_SET, &daemon},
                 {VPNCONF_XAUTH_SET, IPC_MAX_MSG_SIZE - 16, VPNCONF_XAUTH_SET, &daemon},
                 {CONFIG_REQ, 676, CONFIG_RESP, user.get()},
                 {CFGPANEL_PWD_RESP, 256, CFGPANEL_OPEN_REFUSED, user.get()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Bytes message = Message(c.code);
        for (size_t i = 16; i < 16 + c.size; ++i) message[i] = static_cast<uint8_t>('A' + i % 26);
        if (c.code == CONFIG_REQ) std::memset(message.data() + 16, 0, 16);  // a load, arguments 0
        ASSERT_TRUE(Send(message));
        const Bytes evidence = c.at->Take(c.evidence);
        ASSERT_FALSE(evidence.empty());
        if (c.code == c.evidence) {
            EXPECT_EQ(message, evidence) << "passed on before the wipe";
        } else if (c.code == CONFIG_REQ) {
            EXPECT_EQ(0, std::memcmp(evidence.data() + 28, message.data() + 32, 660)) << "the data as received";
        }
        EXPECT_TRUE(WaitUntil([&] { return mailbox.Zero(16, c.size); }, 5000));
    }
}

// With no registry policy every key may be written.
TEST_F(Broker, RegistryWritesAndDeletionsAndTheCredentialProvider) {
    ScopedRegValue policy(HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, gui_registry::kPolicyValue);
    ASSERT_TRUE(policy.Remove());
    ScopedRegValue run(HKEY_LOCAL_MACHINE, kRunKey, "OrxGuiTest");
    SendAndFence(RegWrite(std::string(kRunKey) + "|OrxGuiTest", REG_SZ, Text("C:\\orx\\tunpanel.exe"), 20));
    EXPECT_EQ(Text("C:\\orx\\tunpanel.exe"), ReadValue(HKEY_LOCAL_MACHINE, kRunKey, "OrxGuiTest", KEY_WOW64_64KEY));
    const Bytes full(412, 0x5A);
    SendAndFence(RegWrite("SOFTWARE\\OrxGuiTest\\New|Full", REG_BINARY, full, 412));
    EXPECT_EQ(full, ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxGuiTest\\New", "Full"));
    SendAndFence(Message(VPNCONF_REG_DELETE, 16, "SOFTWARE\\OrxGuiTest\\New|Full"));
    EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxGuiTest\\New", "Full").empty());
    SendAndFence(Message(VPNCONF_REG_DELETE, 16, "SOFTWARE\\OrxGuiTest\\Missing|Full"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxGuiTest\\Missing")) << "a deletion creates nothing";

    const std::string clsid = "CLSID\\{5A3C19E2-7B40-4C6D-9E21-3F8A0D6B4C17}";
    const std::string provider = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers\\" +
                                 clsid.substr(6);
    SendAndFence(Message(ORXCREDPROV_REGISTER));
    const struct {
        HKEY root;
        std::string key, name, text;
    } values[] = {{HKEY_LOCAL_MACHINE, provider, "", "OrxCredProv"},
                  {HKEY_CLASSES_ROOT, clsid, "", "OrxCredProv"},
                  {HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "", "OrxCredProv.dll"},
                  {HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel", "Apartment"}};
    for (const auto& value : values) {
        const Bytes data = ReadValue(value.root, value.key, value.name);
        EXPECT_EQ(value.text, std::string(data.begin(), std::find(data.begin(), data.end(), 0))) << value.key;
    }
    SendAndFence(Message(ORXCREDPROV_UNREGISTER));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, provider));
}

TEST_F(Broker, ShortOverlongAndUnterminatedMessagesAreRefusedWithoutACrash) {
    Announce(false);
    // A short message does not read what a full one left in the mailbox.
    const Bytes leftover = RegWrite("SOFTWARE\\OrxGuiTest\\Leftover|V", REG_DWORD, {1, 0, 0, 0}, 4);
    SendAndFence(leftover);
    ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, kTestKey));
    SendAndFence(leftover, 20);
    SendAndFence(RegWrite("SOFTWARE\\OrxGuiTest\\Unterminated|" + std::string(260 - 33, 'V'), REG_DWORD, {1}, 4));
    EXPECT_TRUE(Traced("has no end within its 260 bytes"));
    SendAndFence(RegWrite("SOFTWARE\\OrxGuiTest\\TooLong|V", REG_BINARY, {}, 413));
    EXPECT_TRUE(Traced("exceeds the 412 bytes a message holds (413)"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kTestKey)) << "nothing written for the leftover or the refusals";

    for (const uint32_t code : std::initializer_list<uint32_t>{VPNCONF_REG_WRITE, VPNCONF_REG_DELETE, CONFIG_REQ,
                                                               CFGPANEL_PWD_RESP, ORX_SYSTEMLOG, VPNCONF_SA_OPEN,
                                                               VPNCONF_MODECFG_ADD, VPNCONF_PINCODE_SET, 0x1005u}) {
        for (const DWORD length : {0u, 2u, 4u, 17u}) ASSERT_TRUE(Send(Message(code), false, length));
    }
    Fence();
}

TEST_F(Broker, PanelOpensWithTheRightPasswordOnly) {
    Announce(false);
    for (int round = 0; round < 2; ++round) {
        // The second time through a key deleted and made again since the first read.
        if (round == 1) {
            ASSERT_TRUE(DeleteRegTree(HKEY_LOCAL_MACHINE, kAppPathsKey));
        }
        ASSERT_TRUE(settings.SetString("NoAdminPwd", "1"));
        ASSERT_TRUE(Send(Message(OPEN_CFGPANEL_REQ)));
        EXPECT_FALSE(user->Take(CFGPANEL_OPEN_GRANTED).empty());
    }
    ASSERT_TRUE(settings.SetDword("NoAdminPwd", 1));  // 4 bytes: counts as absent
    ASSERT_TRUE(Send(Message(OPEN_CFGPANEL_REQ)));
    EXPECT_FALSE(user->Take(CFGPANEL_PWD_RESP).empty());
    ASSERT_TRUE(settings.Remove("NoAdminPwd"));
    EXPECT_EQ(CFGPANEL_OPEN_REFUSED, PanelVerdict(Text("Secret-1"))) << "no password configured";

    const ProcessResult set = RunProcess("\"" + BinPath("tunpanel.exe") + "\" --set-panel-password Secret-1");
    ASSERT_EQ(0u, set.exitCode) << set.output;
    EXPECT_EQ(CFGPANEL_OPEN_GRANTED, PanelVerdict(Text("Secret-1")));
    EXPECT_THAT(SystemLog(), HasSubstr("    GUI.Info    "));
    EXPECT_EQ(CFGPANEL_OPEN_REFUSED, PanelVerdict(Text("Secret-2")));
    EXPECT_EQ(CFGPANEL_OPEN_REFUSED, PanelVerdict(Text(std::string(40, 'x'))));
    EXPECT_TRUE(Traced("the password is longer than 32 bytes"));
    EXPECT_EQ(CFGPANEL_OPEN_REFUSED, PanelVerdict(Bytes(256, 'x')));
    EXPECT_TRUE(Traced("the password field has no end"));
    EXPECT_THAT(SystemLog(), HasSubstr("[2005]"));

    // A library within the hash's contract may return 0 with the right
    // digest: the digest decides, not the return value.
    ScopedRegValue hashReturns(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxStandins\\Profstore", "HashReturns");
    ASSERT_TRUE(hashReturns.SetDword(0));
    EXPECT_EQ(CFGPANEL_OPEN_GRANTED, PanelVerdict(Text("Secret-1")));
    EXPECT_EQ(CFGPANEL_OPEN_REFUSED, PanelVerdict(Text("Secret-2")));
}

TEST_F(Broker, ConfigurationRequestsAnswer43UntilTheGuiHasStarted) {
    ASSERT_TRUE(settings.SetString("LogPath", "OrxTestGui\\Broker"));
    const std::string root = "C:\\ProgramData\\OrxTestGui", store = root + "\\Broker";
    RemoveTree(root);
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr) && CreateDirectoryA(store.c_str(), nullptr) &&
                CreateDirectoryA((store + "\\Import").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(store + "\\Import\\import.txt", ""));
    Announce(false);
    auto result = [&](uint32_t operation, const std::string& data) {
        Bytes request = Message(CONFIG_REQ, 32, data);
        std::memcpy(request.data() + 28, &operation, 4);
        EXPECT_TRUE(Send(request));
        return WordAt(user->Take(CONFIG_RESP), 16);
    };
    EXPECT_EQ(0u, result(3, "name=Imported|import.txt"));
    EXPECT_EQ(43u, result(0, "")) << "a GUI that has only announced itself";
    ASSERT_TRUE(Send(Message(VPNCONF_STARTED)));
    EXPECT_FALSE(daemon.Take(VPNCONF_STARTED).empty());
    EXPECT_EQ(0u, result(0, ""));
    EXPECT_EQ(0u, result(4, "")) << "operation 4 calls nothing";
    EXPECT_EQ(2u, result(3, "name=Gone|missing.txt"));
    EXPECT_TRUE(Traced("OnConfRequest OPCONF_IMPORT return CONF_CANNOTOPEN"));
    EXPECT_THAT(SystemLog(), HasSubstr("[2014] Configuration Imported"));
    EXPECT_THAT(SystemLog(), HasSubstr("[2015] Configuration Gone"));
    RemoveTree(root);
}

// ---- announcements: bounded watchdogs, one channel per slot, no acting on a successor ----

namespace {

Bytes Announcement(DWORD processId, bool watch, bool logon) {
    Bytes info = Message(SET_GUI_INFOS);
    std::memcpy(info.data() + 16, &processId, 4);
    info[20] = watch ? 1 : 0;
    info[24] = logon ? 1 : 0;
    return info;
}

int ThreadsOfThisProcess() { return static_cast<int>(ThreadCount(GetCurrentProcessId())); }

}  // namespace

// A process announcing itself 300 times with the watch flag gets one
// watchdog; many processes get at most the cap, and the threads end with
// the broker's stop.
TEST_F(Broker, AnnouncementsStartOneWatchdogPerProcessAndFewInAll) {
    const int threadsBefore = ThreadsOfThisProcess();
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(Send(Announcement(GetCurrentProcessId(), true, false)));
    Fence();
    EXPECT_EQ(1u, gui.Observe().watchedGuis);
    EXPECT_LE(ThreadsOfThisProcess(), threadsBefore + 1);

    std::vector<std::unique_ptr<BackgroundProcess>> others;  // each with a reader thread here
    for (int i = 0; i < 6; ++i) {
        others.push_back(std::make_unique<BackgroundProcess>("\"" + BinPath("ipctool.exe") + "\" listen gui-test-" +
                                                             std::to_string(i)));
    }
    const int threadsWithReaders = ThreadsOfThisProcess();
    for (const auto& other : others) ASSERT_TRUE(Send(Announcement(other->pid(), true, false)));
    Fence();
    EXPECT_EQ(CGui::kMaxWatchedGuis, gui.Observe().watchedGuis);
    EXPECT_LE(ThreadsOfThisProcess(), threadsWithReaders + static_cast<int>(CGui::kMaxWatchedGuis));
    gui.BeginStop();
    EXPECT_TRUE(WaitUntil([&] { return gui.Observe().watchedGuis == 0; }, 5000));
}

// Announcements of the same kind racing on the two request channels leave
// one open channel in the slot, never one per announcement.
TEST_F(Broker, RacingAnnouncementsLeaveOneChannelPerSlot) {
    Announce(false);
    const DWORD handlesBefore = HandleCount();
    for (int round = 0; round < 40; ++round) {
        std::thread other([this] { Send(Announcement(GetCurrentProcessId(), false, false), true); });
        Send(Announcement(GetCurrentProcessId(), false, false), false);
        other.join();
    }
    Fence();
    EXPECT_NE(nullptr, gui.Observe().userSlot);
    EXPECT_LE(HandleCount(), handlesBefore + 10) << "client channels leaked";
}

// A GUI that closed in order and ends later, when another GUI holds the
// slot: its end tells the daemon nothing and leaves the new GUI's channel.
TEST_F(Broker, EndOfAGuiThatClosedInOrderLeavesItsSuccessorAlone) {
    user.reset();  // the GUIs' channels are tunpanel's own
    logon.reset();
    BackgroundProcess old("\"" + BinPath("tunpanel.exe") + "\" close \"wait 60000\"");
    ASSERT_TRUE(old.WaitForOutput("-> VPNCONF_CLOSED", 10000)) << old.Output();
    Fence();
    BackgroundProcess successor("\"" + BinPath("tunpanel.exe") + "\" --no-watchdog \"wait 60000\"");
    ASSERT_TRUE(successor.WaitForOutput("-> SET_GUI_INFOS", 10000)) << successor.Output();
    Fence();
    ASSERT_NE(nullptr, gui.Observe().userSlot);
    daemon.Forget();
    old.Kill();
    EXPECT_TRUE(daemon.Take({VPNCONF_STOPPED, VPNCONF_CLOSED, VPNCONF_KEEP_IKE}, 2000).empty())
        << "the old GUI's end was taken for the new one's";
    EXPECT_NE(nullptr, gui.Observe().userSlot);
}

// The start's copy is sent again while the daemon may still be opening its
// channel; once the daemon no longer runs there is no one to wait for, and
// the channel's requests must not stall behind the retries.
TEST_F(Broker, StartedCopyIsNoLongerResentOnceTheDaemonHasEnded) {
    Announce(false);
    const orx::UniqueHandle free(OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, "vpnike_EVT"));
    ASSERT_TRUE(free && WaitForSingleObject(free.get(), 5000) == WAIT_OBJECT_0) << "the daemon's mailbox held";
    ASSERT_TRUE(Send(Message(VPNCONF_STARTED)));
    ASSERT_TRUE(Traced("send ORXIKE_STARTED"));
    ike.running = false;
    EXPECT_TRUE(trace.WaitFor("OnVpnConfStarted ike started", 8000)) << "still resending to an ended daemon";
    SetEvent(free.get());
}
