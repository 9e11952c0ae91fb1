#include "tests/gui/GuiTestSupport.h"

#include "orxstarter/trace/DebugTrace.h"

namespace gui_test {

using namespace testing_support;

Bytes RegWrite(const std::string& target, DWORD type, const Bytes& data, uint32_t statedSize) {
    Bytes message = Message(VPNCONF_REG_WRITE, 16, target);
    std::memcpy(message.data() + 276, &type, 4);
    std::memcpy(message.data() + 280, &statedSize, 4);
    std::memcpy(message.data() + 284, data.data(), data.size());
    return message;
}

Bytes ReadValue(HKEY root, const std::string& key, const std::string& name, REGSAM view) {
    Bytes data(1024, 0);
    DWORD size = static_cast<DWORD>(data.size());
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) return {};
    if (RegQueryValueExA(opened, name.c_str(), nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) size = 0;
    RegCloseKey(opened);
    data.resize(size);
    return data;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    return RegCloseKey(opened) == ERROR_SUCCESS;
}

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

uint32_t BrokerTest::PanelVerdict(const Bytes& field) {
    Bytes message = Message(CFGPANEL_PWD_RESP);
    std::memcpy(message.data() + 16, field.data(), field.size());
    EXPECT_TRUE(Send(message));
    return WordAt(user->Take({CFGPANEL_OPEN_GRANTED, CFGPANEL_OPEN_REFUSED}), 0);
}


}  // namespace gui_test
