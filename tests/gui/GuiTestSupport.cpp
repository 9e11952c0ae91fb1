#include "tests/gui/GuiTestSupport.h"

#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLog.h"

#include <algorithm>

namespace gui_test {

using namespace testing_support;

BOOL Inbox::Keep(void* message, DWORD length, void* context) {
    auto* self = static_cast<Inbox*>(context);
    std::lock_guard<std::mutex> hold(self->lock_);
    self->received_.emplace_back(static_cast<uint8_t*>(message), static_cast<uint8_t*>(message) + length);
    return TRUE;
}

Bytes Inbox::Take(const std::vector<uint32_t>& codes, DWORD timeoutMs) {
    Bytes found;
    WaitUntil([&] {
        std::lock_guard<std::mutex> hold(lock_);
        const auto it = std::find_if(received_.begin(), received_.end(), [&](const Bytes& message) {
            return std::find(codes.begin(), codes.end(), WordAt(message, 0)) != codes.end();
        });
        if (it == received_.end()) return false;
        found = *it;
        received_.erase(it);
        return true;
    }, timeoutMs);
    return found;
}

std::string GuiChannelName(bool logon) {
    DWORD session = 1;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return "Session\\" + std::to_string(session) + (logon ? "\\vpnlogonui" : "\\vpncfg");
}

void BrokerTest::SetUp() {
    ASSERT_TRUE(daemon.ok() && user->ok() && logon->ok() && ike.channel() != nullptr);
    gui.Attach(&owner);
    ASSERT_NE(nullptr, gui.InitServer());
    toCfg_ = IPCInitClient("Global\\vpnsrvcfg");
    toLogon_ = IPCInitClient("Global\\vpnsrvlogonui");
    SetDebugTraceFlags(TRACE_TO_DEBUGGER);
    logDir_ = MakeTempDir("guilog");
    systemlog::TheSystemLog().EnableFile(logDir_.c_str(), "GuiTest");
}

void BrokerTest::TearDown() {
    systemlog::TheSystemLog().DisableAll();
    SetDebugTraceFlags(0);
    gui.BeginStop();  // no watchdog reaches the owner from here on
    gui.Stop();
    for (HANDLE channel : {toCfg_, toLogon_}) {
        if (channel != nullptr) IPCUnitialize(channel);
    }
    RemoveTree(logDir_);
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

std::string BrokerTest::SystemLog() { return ReadFileBytes(logDir_ + "\\" + TodayDashed() + "-GuiTest.log"); }

}  // namespace gui_test
