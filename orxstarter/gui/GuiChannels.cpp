// The broker's channels and the GUIs' sessions: its three server channels,
// the announcement of a GUI, the client channel in the GUI's session that
// every answer goes on, and the relay to that GUI.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/ReceivedMessage.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/trace/DebugTrace.h"
#include "profstore/Profstore.h"
#include "systemlog/SystemLogEvents.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>

using namespace gui_settings;

namespace {

constexpr char kCfgChannel[] = "vpnsrvcfg";
constexpr char kRelayChannel[] = "vpn2vpn";
constexpr char kLogonChannel[] = "vpnsrvlogonui";
constexpr char kUserGuiChannel[] = "vpncfg";
constexpr char kLogonGuiChannel[] = "vpnlogonui";
constexpr char kDefaultImage[] = "tunpanel.exe";
// Callbacks under way when the broker stops are woken by its stop; this
// bounds the wait for one that is not.
constexpr DWORD kDrainMs = 5000;

void SetRecordWord(unsigned char* record, size_t offset, uint32_t value) {
    std::memcpy(record + offset, &value, sizeof value);
}

// "Global\vpnsrvcfg" and the like; the name is traced on failure.
HANDLE OpenServer(const char* channel, IpcRecvCallback callback, CGui* broker, char (&name)[256]) {
    std::snprintf(name, sizeof name, "Global\\%s", channel);
    return IPCInitServer(name, callback, nullptr, broker);
}

}  // namespace

CGui::CGui() : quit_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    for (auto& record : CfgRecords) {
        SetRecordWord(record, 4, 0xFFFF);
        SetRecordWord(record, 844, 0xFFFF);
    }
}

CGui::~CGui() {
    BeginStop();
    Stop();
    watchdogs_.JoinAll(INFINITE);
    CloseChannelOf(UserSessionUiSlot);
    CloseChannelOf(LogonUiSlot);
    CurrentUiSlot = nullptr;
    for (auto& record : CfgRecords) VPNConfUnload(record);
}

void CGui::BeginStop() {
    stopping_ = true;
    SetEvent(quit_.get());
}

bool CGui::Run() { return true; }

HANDLE CGui::InitServer() {
    char name[256];
    callbacks_.Reopen();
    CfgServerChannel = OpenServer(kCfgChannel, &CGui::ReceiveMsg, this, name);
    if (CfgServerChannel.load() == nullptr) {
        TRACE("<= IPCInitServer %s failed!!!\n", name);
        return nullptr;
    }
    TRACE("<= IPCInitServer IHM success, 0x%08X\n", TraceBits(CfgServerChannel.load()));

    RelayServerChannel = OpenServer(kRelayChannel, &CGui::ReceiveMsg2, this, name);
    if (RelayServerChannel.load() == nullptr) {
        TRACE("<= IPCInitServer2 %s failed!!!\n", name);
    } else {
        TRACE("<= IPCInitServer2 IHM success, 0x%08X\n", TraceBits(RelayServerChannel.load()));
    }

    LogonServerChannel = OpenServer(kLogonChannel, &CGui::ReceiveMsg, this, name);
    if (LogonServerChannel.load() == nullptr) {
        TRACE("<= IPCInitServer %s failed!!!\n", name);
        // None of the broker's channels is left served.
        Stop();
        return nullptr;
    }
    TRACE("<= IPCInitServer IHM success, 0x%08X\n", TraceBits(LogonServerChannel.load()));
    return CfgServerChannel;
}

bool CGui::Stop() {
    State = ORX_TERMINATED_STATE;
    const bool drained = callbacks_.CloseAndDrain(kDrainMs);
    if (!drained) TRACE("   CGui::Stop: a request was still being handled after %u ms", static_cast<unsigned>(kDrainMs));
    CloseChannelOf(CfgServerChannel);
    CloseChannelOf(RelayServerChannel);
    CloseChannelOf(LogonServerChannel);
    return drained;
}

CGui::Snapshot CGui::Observe() {
    size_t watched;
    {
        orx::SharedGuard guard(watchLock_);
        watched = watched_.size();
    }
    orx::SharedGuard guard(clearLock_);
    return {State.load(), UserSessionUiSlot.load(), LogonUiSlot.load(), CurrentUiSlot.load(), watched,
            SessionId.load()};
}

bool CGui::OnIHMConnect(DWORD processId, uint32_t watchdogRequest, int8_t connectType) {
    TRACE("=>\tOnIHMConnect IHM PID %d this 0X%08X\n", static_cast<int>(processId), TraceBits(this));
    TRACE(" IHM connect with type %d", static_cast<int>(connectType));
    TRACE(" current state : %d", static_cast<int>(State.load()));
    State = ORX_INITIALIZATION_STATE;
    ProcessId = processId;
    ConnectType = connectType;
    if (watchdogRequest != 0) {
        TRACE("\tLauching watchdog ...");
        StartWatchdog(processId);
    }
    DWORD session = 0;
    if (ProcessIdToSessionId(processId, &session)) {
        SessionId = static_cast<int32_t>(session);
    } else {
        TRACE("\tError %d session ID", static_cast<int>(GetLastError()));
        SessionId = 1;
    }
    RecordImageName(processId);
    InitClient(static_cast<uint8_t>(connectType));
    Connected = true;
    return true;
}

void CGui::RecordImageName(DWORD processId) {
    char name[ORX_IMAGE_NAME_SIZE] = {};
    orx::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (process) K32GetModuleBaseNameA(process.get(), nullptr, name, sizeof name);
    if (name[0] != '\0') {
        TRACE("\t\tOnIHMConnect IHM Process Name %s\n", name);
        std::memcpy(ImageName, name, sizeof ImageName);
    } else if (SessionId.load() != 0) {
        std::snprintf(ImageName, sizeof ImageName, "%s", kDefaultImage);
    }
}

HANDLE CGui::InitClient(uint8_t logon) {
    TRACE("=> InitVpnConfClient\n");
    char name[100];
    std::snprintf(name, sizeof name, "Session\\%d\\%s", static_cast<int>(SessionId.load()),
                  logon != 0 ? kLogonGuiChannel : kUserGuiChannel);
    // A GUI of the same kind that announces itself again replaces the
    // earlier one: its channel is closed as the new one takes the slot.
    HANDLE channel = IPCInitClient(name);
    FillSlot(logon != 0, channel, ProcessId.load());
    if (channel == nullptr) {
        TRACE("<= InitVpnConfClient Failed\n");
        return nullptr;
    }
    TRACE("<= InitVpnConfClient Succeeded 0x%08x\n", TraceBits(channel));
    LogSystemEvent(kEventGuiConnected, kFacilityGui, kLevelNotice, 0, nullptr);
    return channel;
}

BOOL CGui::ReceiveMsg2(void* message, DWORD length, void* context) {
    auto* self = static_cast<CGui*>(context);
    if (message == nullptr || self == nullptr) {
        TRACE("   ReceiveMsg2 with wrong argument\n");
        return FALSE;
    }
    const CallbackGate::Pass pass(self->callbacks_);
    if (!pass) return TRUE;  // the broker is stopping: nothing more is served
    const ReceivedMessage received(message, length);
    TRACE("=> ReceiveMsg2 with type 0x%08X, forwarding to main instance\n", static_cast<unsigned>(received.Type()));
    self->SendToGui(message, received.length());
    TRACE("<= ReceiveMsg2\n");
    return TRUE;
}

bool CGui::SendToGui(const void* message, DWORD length) { return IPCSendMsg(CurrentUiSlot.load(), message, length); }

void CGui::SendEmptyToGui(uint32_t code) {
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, code);
    SendToGui(message, sizeof message);
}

bool CGui::PassToDaemon(const void* message, DWORD length) {
    return Owner != nullptr && Owner->Daemon().SendToDaemon(message, length);
}
