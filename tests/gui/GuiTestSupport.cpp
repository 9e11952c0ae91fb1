#include "tests/gui/GuiTestSupport.h"

#include "orxstarter/trace/DebugTrace.h"

namespace gui_test {

using namespace testing_support;

void BrokerTest::SetUp() {
    ASSERT_TRUE(daemon.ok() && user->ok() && logon->ok() && ike.channel() != nullptr);
    gui.Attach(&owner);
    ASSERT_NE(nullptr, gui.InitServer());
    toCfg_ = IPCInitClient("Global\\vpnsrvcfg");
    toLogon_ = IPCInitClient("Global\\vpnsrvlogonui");
    SetDebugTraceFlags(TRACE_TO_DEBUGGER);
}

void BrokerTest::TearDown() {
    SetDebugTraceFlags(0);
    gui.BeginStop();  // no watchdog reaches the owner from here on
    gui.Stop();
    for (HANDLE channel : {toCfg_, toLogon_}) {
        if (channel != nullptr) IPCUnitialize(channel);
    }
}

void BrokerTest::Announce(bool logonGui) {
    Bytes info = Message(SET_GUI_INFOS);
    const DWORD pid = GetCurrentProcessId();
    std::memcpy(info.data() + 16, &pid, 4);
    info[24] = logonGui ? 1 : 0;
    ASSERT_TRUE(Send(info, logonGui));
    Fence();
}

bool BrokerTest::Send(const Bytes& message, bool logonChannel, DWORD length) {
    return IPCSendMsg(logonChannel ? toLogon_ : toCfg_, message.data(), length);
}

// A request that is only traced, with a number of its own in the line.
void BrokerTest::Fence() {
    static std::atomic<uint32_t> counter{0x0F0F0000};
    const uint32_t mark = ++counter;
    Bytes fence = Message(VPNCONF_MODECFG_ADD);
    std::memcpy(fence.data() + 16, &mark, 4);
    ASSERT_TRUE(Send(fence));
    char line[64];
    std::snprintf(line, sizeof line, "VPNCONF_MODECFG_ADD(%08X,", mark);
    ASSERT_TRUE(trace.WaitFor(line, 10000)) << "the broker did not get to " << line;
}

}  // namespace gui_test
