// The configuration service: the start of a GUI (the daemon started or
// announced, and told), configuration operations through the configuration
// library, and the update and reset of the daemon.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/ReceivedMessage.h"
#include "orxstarter/gui/ConfigRequestRules.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/trace/DebugTrace.h"
#include "profstore/Profstore.h"
#include "systemlog/SystemLogEvents.h"

#include <cstring>
#include <string>

using namespace gui_settings;

namespace {

constexpr int kStartedSendTries = 200;
constexpr DWORD kStartedRetryMs = 400;
// 200 tries 400 ms apart: about 80 s. A send to a mailbox someone holds costs
// 2 s of its own, so the tries end on the clock as well as on their count.
constexpr ULONGLONG kStartedRetryWindowMs = 80000;

// A copy of the request block, with a zero after its data so that the
// library never reads past it. Requests may carry secrets: wiped when it goes.
struct ConfigRequestCopy {
    explicit ConfigRequestCopy(const ReceivedMessage& received) {
        std::memcpy(&request, received.bytes(), sizeof request);
    }
    ~ConfigRequestCopy() { SecureZeroMemory(this, sizeof *this); }
    ConfigRequestCopy(const ConfigRequestCopy&) = delete;
    ConfigRequestCopy& operator=(const ConfigRequestCopy&) = delete;

    IpcConfigReqMsg request;
    char terminator = '\0';
};

uint32_t LibraryResult(int returned) { return returned == 1 ? 0 : VPNConfGetLastError(); }

void LogImport(uint32_t result, const std::string& name) {
    if (result != 0) {
        LogSystemEvent(kEventConfigFailed, kFacilityStarter, kLevelError, static_cast<int32_t>(result), name.c_str());
    } else {
        LogSystemEvent(kEventConfigDone, kFacilityStarter, kLevelNotice, 0, name.c_str());
    }
}

}  // namespace

bool CGui::OnVpnConfStarted(const ReceivedMessage& received) {
    const auto& started = received.As<IpcGuiStartedMsg>();
    unsigned long long window = 0;
    std::memcpy(&window, started.mainWindow, sizeof window);
    TRACE("=>  OnVpnConfStarted hwnd = 0x%I64X\n", window);
    unsigned char copy[IPC_MAX_MSG_SIZE];
    ComposeDaemonVpnConfStarted(copy, started);
    State = ORX_READY_STATE;
    if (Owner == nullptr) return false;
    DaemonLink& daemon = Owner->Daemon();

    // Whether a daemon runs is decided with its launch, in one step: two GUIs
    // starting at once never start two daemons.
    const DaemonStart start = daemon.StartDaemon();
    if (start == DaemonStart::Failed || start == DaemonStart::Refused) {
        TRACE("<=  OnVpnConfStarted error launching ike daemon\n");
        return false;
    }
    TRACE("   send ORXIKE_STARTED\n");
    if (!daemon.DaemonRunning()) {
        TRACE("<=  OnVpnConfStarted unknown error ike daemon\n");
        return false;
    }
    // A daemon started now announces itself; one that ran already is
    // announced here.
    if (start == DaemonStart::AlreadyRunning) SendIkeStatus();
    SendStartedCopyToDaemon(copy, sizeof copy);
    return true;
}

void CGui::SendIkeStatus() {
    TRACE("=> SendIkeStatus: %s\n", "STARTED");
    unsigned char status[IPC_MAX_MSG_SIZE];
    ComposeStatusMsg(status, true, true, LastSessionEvent.load());
    const bool sent = SendToGui(status, sizeof status);
    TRACE("<= SendIkeStatus: 0x%08x\n", sent ? 1u : 0u);
}

// A daemon just started may not have its channel ready: the copy is sent
// again, 400 ms apart, at most 200 times and for about 80 s, until the broker
// stops or the daemon no longer runs (a reset or a crash meanwhile: the
// channel's other requests must not wait 80 s behind a copy no one reads).
void CGui::SendStartedCopyToDaemon(const unsigned char* copy, DWORD length) {
    const ULONGLONG deadline = GetTickCount64() + kStartedRetryWindowMs;
    DaemonLink& daemon = Owner->Daemon();
    int failed = 0;
    while (!PassToDaemon(copy, length) && ++failed < kStartedSendTries && GetTickCount64() < deadline &&
           daemon.DaemonRunning()) {
        if (WaitForSingleObject(quit_.get(), kStartedRetryMs) != WAIT_TIMEOUT) break;
    }
    TRACE("<=  OnVpnConfStarted ike started (%d)", failed);
}

bool CGui::OnConfRequest(const ReceivedMessage& received) {
    TRACE("=> OnConfRequest");
    // The answer echoes the data as it came (the received copy), whatever
    // the library writes into the copy it is given.
    ConfigRequestCopy forLibrary(received);
    const char* label = "";
    const uint32_t result = PerformConfOperation(forLibrary.request, label);
    const std::string line = gui_config::ResultTraceLine(label, result);
    if (!line.empty()) TRACE("%s", line.c_str());

    unsigned char answer[IPC_MAX_MSG_SIZE];
    ComposeConfigResp(answer, result, received.As<IpcConfigReqMsg>());
    SendToGui(answer, sizeof answer);
    SecureZeroMemory(answer, sizeof answer);
    TRACE("<= OnConfRequest");
    return true;
}

uint32_t CGui::PerformConfOperation(IpcConfigReqMsg& request, const char*& label) {
    const gui_config::ConfOperationRule rule = gui_config::RuleForOperation(request.operation);
    label = rule.label;
    switch (rule.call) {
    case gui_config::ConfCall::Load: {
        const uint32_t result = LibraryResult(VPNConfLoad(request.argL, request.argA, request.data));
        return result == 0 && State.load() == ORX_INITIALIZATION_STATE ? gui_config::kResultGuiNotStarted : result;
    }
    case gui_config::ConfCall::Save: return LibraryResult(VPNConfSave(request.argS, request.argA, 1));
    case gui_config::ConfCall::Update: return LibraryResult(VPNConfSave(request.argS, request.argA, 0));
    case gui_config::ConfCall::Import: {
        const uint32_t result = LibraryResult(VPNConfLoad(request.argL, request.argA, request.data));
        LogImport(result, gui_config::ImportName(request.data, sizeof request.data));
        return result;
    }
    case gui_config::ConfCall::None: break;
    }
    return 0;
}

void CGui::OnUpdateConfig(const void* message, DWORD length) {
    if (Owner == nullptr) return;
    DaemonLink& daemon = Owner->Daemon();
    TRACE("=> OnUpdateConfig state = %d", daemon.DaemonRunning() ? ORX_READY_STATE : ORX_TERMINATED_STATE);
    const DaemonStart start = daemon.StartDaemon();
    if (start == DaemonStart::Failed || start == DaemonStart::Refused) {
        TRACE("   Cannot run ORXIKE\n");
        return;
    }
    PassToDaemon(message, length);
    TRACE("<= OnUpdateConfig");
}

void CGui::OnResetIke() {
    if (Owner == nullptr) return;
    DaemonLink& daemon = Owner->Daemon();
    TRACE("=> OnResetIke");
    const bool running = daemon.DaemonRunning();
    TRACE("\tcurrent ike status %d", running ? ORX_READY_STATE : ORX_TERMINATED_STATE);
    // Either way is safe if the daemon's state changes meanwhile: a stop
    // with none running stops nothing, a start with one running starts none.
    if (running) {
        Owner->StopIke();
    } else {
        daemon.StartDaemon();
    }
    TRACE("<= OnResetIke");
}
