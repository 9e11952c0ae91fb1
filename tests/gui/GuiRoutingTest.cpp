// The GUI dispatcher on its real channels, one test per thing it does with a
// request: what the daemon's channel receives (and how often), what comes
// back to the GUI, what the trace file, the system log and the registry show.
// Only the channels are used, so the tests hold whatever the parts look like
// inside.
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RoutingTable.h"
#include "tests/support/Registry.h"

#include "orxstarter/gui/RegistryPolicy.h"
#include "orxstarter/trace/DebugTrace.h"

#include <gmock/gmock.h>

#include <regex>

using namespace gui_test;
using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr char kTestKey[] = "SOFTWARE\\OrxRoutingTest";
constexpr char kDataRoot[] = "C:\\ProgramData\\OrxRoutingTest";  // ALLUSERSPROFILE of a shell program
constexpr char kLogPath[] = "OrxRoutingTest\\Data";

Bytes RegWrite(const std::string& target, const std::string& text) {
    Bytes message = Message(VPNCONF_REG_WRITE, 16, target);
    const uint32_t type = REG_SZ, size = static_cast<uint32_t>(text.size() + 1);
    std::memcpy(message.data() + 276, &type, 4);
    std::memcpy(message.data() + 280, &size, 4);
    std::memcpy(message.data() + 284, text.c_str(), size);
    return message;
}

std::string ReadText(const std::string& key, const std::string& name) {
    char data[256] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return "(none)";
    }
    return data;
}

class GuiRouting : public BrokerTest {
protected:
    void SetUp() override {
        BrokerTest::SetUp();
        Announce(false);
    }
    void TearDown() override {
        BrokerTest::TearDown();
        DeleteRegTree(HKEY_LOCAL_MACHINE, kTestKey);
        RemoveTree(kDataRoot);
    }
    Bytes NextAtDaemon() { return NextIn(daemon); }
};

}  // namespace

// Each in turn, with a length of its own: the daemon receives exactly the
// sequence sent, each once, as it arrived.
TEST_F(GuiRouting, EveryPassedRequestReachesTheDaemonOnceWithItsBytesAndLength) {
    std::vector<Bytes> sent;
    for (const routing::GuiRow& row : routing::GuiRows()) {
        if (row.pass == routing::Pass::No) continue;
        sent.push_back(Patterned(row.code, 40 + sent.size()));
        ASSERT_TRUE(Send(sent.back(), false, static_cast<DWORD>(sent.back().size()))) << row.name;
    }
    for (const Bytes& expected : sent) EXPECT_EQ(expected, NextAtDaemon()) << std::hex << WordAt(expected, 0);
    EXPECT_TRUE(daemon.Quiet(500)) << "a request was passed twice";
    SetDebugTraceFlags(TRACE_TO_DEBUGGER);  // the debug requests among them changed it
}

TEST_F(GuiRouting, RequestsServedHereOrUnknownNeverReachTheDaemonNorAnswer) {
    // The registry requests name no "|": nothing is written.
    for (const uint32_t code : {VPNCONF_MODECFG_ADD, VPNCONF_MODECFG_RESTORE, VPNCONF_MODECFG_RESTOREALL,
                                VPNCONF_REG_WRITE, VPNCONF_REG_DELETE, ORX_SYSTEMLOG}) {
        ASSERT_TRUE(Send(Message(code)));
    }
    for (const uint32_t code : routing::CodesUnknownToTheGuiDispatcher()) ASSERT_TRUE(Send(Message(code)));
    const Bytes last = Patterned(VPNCONF_SYSINFOS, 696);
    ASSERT_TRUE(Send(last));
    EXPECT_EQ(last, NextAtDaemon()) << "only the passed request after them";
    EXPECT_TRUE(user->Quiet(200));
    EXPECT_TRUE(Traced("   Unknown message: FFFFFFFF"));
}

// The daemon gets the service's own copy: the GUI's fields at 4 to 40 and
// zero everywhere else, never the GUI's message as well.
TEST_F(GuiRouting, StartedGoesToTheDaemonAsTheServicesOwnCopyOnly) {
    Bytes started = Patterned(VPNCONF_STARTED, IPC_MAX_MSG_SIZE);
    ASSERT_TRUE(Send(started));
    const Bytes copy = NextAtDaemon();
    ASSERT_EQ(static_cast<size_t>(IPC_MAX_MSG_SIZE), copy.size());
    EXPECT_EQ(VPNCONF_STARTED, WordAt(copy, 0));
    EXPECT_EQ(WordAt(started, 4), WordAt(copy, 4));
    EXPECT_EQ(Bytes(IPC_MAX_MSG_SIZE - 40, 0), Bytes(copy.begin() + 40, copy.end()));
    EXPECT_TRUE(daemon.Quiet(500));
    const Bytes status = user->Take(ORXIKE_STARTED);
    EXPECT_EQ(std::string(IPC_DAEMON_VERSION), reinterpret_cast<const char*>(status.data() + 8));
}

// The trace file: debug-on is written under the flags it sets, debug-off
// under the flags it clears; both go on to the daemon.
TEST_F(GuiRouting, DebugOnTracesItsOwnLineAndDebugOffItsLastOne) {
    ASSERT_TRUE(settings.SetString("LogPath", kLogPath));
    ASSERT_TRUE(settings.SetBinary("StarterLogFile", {TRACE_TO_DEBUGGER}));
    const std::string logFiles = std::string(kDataRoot) + "\\Data\\LogFiles";
    ASSERT_TRUE(CreateDirectoryA(kDataRoot, nullptr) && CreateDirectoryA((std::string(kDataRoot) + "\\Data").c_str(), nullptr) &&
                CreateDirectoryA(logFiles.c_str(), nullptr));
    DebugTraceInit();  // the trace file's path, as the service builds it at its start
    const std::string traceFile = logFiles + "\\" + TodayDashed() + "-vpnstarterdbg.log";

    ASSERT_TRUE(Send(Message(VPNCONF_DEBUG_ON)));
    EXPECT_EQ(VPNCONF_DEBUG_ON, WordAt(NextAtDaemon(), 0));
    EXPECT_EQ(static_cast<uint32_t>(TRACE_TO_FILE), GetDebugTraceFlags());
    ASSERT_TRUE(Send(Message(VPNCONF_DEBUG_OFF)));
    EXPECT_EQ(VPNCONF_DEBUG_OFF, WordAt(NextAtDaemon(), 0));
    EXPECT_EQ(0u, GetDebugTraceFlags());
    ASSERT_TRUE(Send(Message(VPNCONF_SYSINFOS)));
    EXPECT_EQ(VPNCONF_SYSINFOS, WordAt(NextAtDaemon(), 0));

    const std::string trace = ReadFileBytes(traceFile);
    EXPECT_THAT(trace, HasSubstr("   VPNCONF_DEBUG_ON"));
    EXPECT_THAT(trace, HasSubstr("   VPNCONF_DEBUG_OFF"));
    EXPECT_THAT(trace, Not(HasSubstr("VPNCONF_SYSINFOS"))) << "written after debug-off";

    ASSERT_TRUE(settings.Remove("StarterLogFile"));
    DebugTraceInit();  // no path again
    SetDebugTraceFlags(TRACE_TO_DEBUGGER);
}

TEST_F(GuiRouting, SystemLogRequestIsLoggedWithAnUnknownFacilityAsTheStarters) {
    Bytes event = Message(ORX_SYSTEMLOG, 40, "RoutingProbe");
    const uint32_t index = 20, number = 7;
    const int16_t level = 3;
    event[16] = 9;
    std::memcpy(event.data() + 18, &level, 2);
    std::memcpy(event.data() + 20, &index, 4);
    std::memcpy(event.data() + 32, &number, 4);
    ASSERT_TRUE(Send(event));
    Fence();
    EXPECT_TRUE(std::regex_search(
        SystemLog(), std::regex("Starter\\.Error[^\\n]*\\[2015\\] Configuration RoutingProbe: the operation failed "
                                "with error 7\\.")))
        << SystemLog();
}

// The outputs are closed and opened again from the settings: the file
// output now writes where "LogPath" says.
TEST_F(GuiRouting, SystemLogChangeRestartsTheSystemLogFromTheSettings) {
    ASSERT_TRUE(settings.SetString("LogPath", kLogPath));
    ASSERT_TRUE(settings.SetDword("SystemLogOutput", 1));
    ASSERT_TRUE(Send(Message(ORX_SYSTEMLOG_CHANGE)));
    Fence();
    const std::string dayFile =
        std::string(kDataRoot) + "\\Data\\LogFiles\\System\\" + TodayDashed() + "-ORXSystemLog.log";
    EXPECT_THAT(ReadFileBytes(dayFile), HasSubstr("[1001] The system log has started (outputs 1)."));
    CGui::UninitLogsSystem();
}

// The policy, read at each request from the service's key: absent, every
// key may be written; present, only those under its prefixes, a refusal
// logged; present but unusable, nothing.
class RegistryPolicyRouting : public GuiRouting {
protected:
    void TearDown() override {
        GuiRouting::TearDown();
        DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxRoutingTestOther");
    }
    void SendAndFence(const Bytes& message) {
        ASSERT_TRUE(Send(message));
        Fence();
    }
    // Event 20 at the error level, "access denied", the refused key and
    // value (a pattern of its end) as its text.
    bool RefusalLogged(const std::string& keyEndPattern) {
        return std::regex_search(SystemLog(), std::regex("GUI\\.Error[^\\n]*\\[2015\\] Configuration HKLM[^\\n]*" +
                                                         keyEndPattern + ": the operation failed with error 5\\."));
    }

    // The service's key is made for the test where it is not installed, and
    // removed again; the value is put back as it was.
    KeyLeftAsFound serviceKey_{HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter"};
    KeyLeftAsFound parametersKey_{HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey};
    ScopedRegValue policy_{HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, gui_registry::kPolicyValue};
};

TEST_F(RegistryPolicyRouting, WithoutThePolicyAnyKeyIsWritten) {
    ASSERT_TRUE(policy_.Remove());
    SendAndFence(RegWrite(std::string(kTestKey) + "\\Any|Probe", "written"));
    EXPECT_EQ("written", ReadText(std::string(kTestKey) + "\\Any", "Probe"));
    SendAndFence(Message(VPNCONF_REG_DELETE, 16, std::string(kTestKey) + "\\Any|Probe"));
    EXPECT_EQ("(none)", ReadText(std::string(kTestKey) + "\\Any", "Probe"));
}

TEST_F(RegistryPolicyRouting, WithThePolicyOnlyItsPrefixesAreWrittenAndARefusalIsLogged) {
    ASSERT_TRUE(policy_.SetMultiSz({std::string(kTestKey) + "\\Allowed"}));
    const std::string allowed = std::string(kTestKey) + "\\Allowed\\Sub", outside = "SOFTWARE\\OrxRoutingTestOther";
    SendAndFence(RegWrite(allowed + "|Probe", "written"));
    EXPECT_EQ("written", ReadText(allowed, "Probe"));
    SendAndFence(RegWrite(outside + "|Probe", "written"));
    EXPECT_EQ("(none)", ReadText(outside, "Probe"));
    EXPECT_TRUE(RefusalLogged("OrxRoutingTestOther\\|Probe")) << SystemLog();

    // A deletion outside is refused as well.
    ScopedRegValue kept(HKEY_LOCAL_MACHINE, outside, "Kept");
    ASSERT_TRUE(kept.SetString("kept"));
    SendAndFence(Message(VPNCONF_REG_DELETE, 16, outside + "|Kept"));
    EXPECT_EQ("kept", ReadText(outside, "Kept"));
    SendAndFence(Message(VPNCONF_REG_DELETE, 16, allowed + "|Probe"));
    EXPECT_EQ("(none)", ReadText(allowed, "Probe"));
}

TEST_F(RegistryPolicyRouting, AnUnreadablePolicyRefusesEveryKey) {
    ASSERT_TRUE(policy_.SetDword(1));
    const std::string key = std::string(kTestKey) + "\\Allowed";
    SendAndFence(RegWrite(key + "|Probe", "written"));
    EXPECT_EQ("(none)", ReadText(key, "Probe"));
    EXPECT_TRUE(RefusalLogged("Allowed\\|Probe")) << SystemLog();
}
