// The GUI dispatcher on its real channels, one test per thing it does with a
// request: what the daemon's channel receives (and how often), what comes
// back to the GUI, what the trace file and the system log show.
// Only the channels are used, so the tests hold whatever the parts look like
// inside.
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RoutingTable.h"
#include "orxstarter/trace/DebugTrace.h"

#include <gmock/gmock.h>

using namespace gui_test;
using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr char kDataRoot[] = "C:\\ProgramData\\OrxRoutingTest";  // ALLUSERSPROFILE of a shell program
constexpr char kLogPath[] = "OrxRoutingTest\\Data";

class GuiRouting : public BrokerTest {
protected:
    void SetUp() override {
        BrokerTest::SetUp();
        Announce(false);
    }
    void TearDown() override {
        BrokerTest::TearDown();
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
