// The conversation with the running daemon: its channel "vpnike", the
// service's channel "vpnsrvike", every message the daemon sends, and the
// daemon's status as the GUI is told it.
#include "orxstarter/ike/orxike.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/ReceivedMessage.h"
#include "orxstarter/ike/DaemonMessages.h"
#include "orxstarter/trace/DebugTrace.h"
#include "sysdep/sysdep.h"
#include "systemlog/SystemLogEvents.h"

#include <cstdio>

namespace {

constexpr char kDaemonChannel[] = "vpnike";
constexpr char kServiceChannel[] = "vpnsrvike";
constexpr int kMaxTry = 360;
constexpr DWORD kRetryMs = 1000;
constexpr uint32_t kEventDaemonStarted = 6;
constexpr uint32_t kEventDaemonStopped = 7;

// Vista, 7 and 8 put the channel in the global namespace; other releases
// (10 among them) name it without a prefix.
bool ServiceChannelIsGlobal(uint32_t osVersion) {
    return osVersion == ORX_OS_VISTA || osVersion == ORX_OS_WIN7 || osVersion == ORX_OS_WIN8;
}

}  // namespace

HANDLE COrxIke::InitServer() {
    char name[256];
    std::snprintf(name, sizeof name, ServiceChannelIsGlobal(GetOSVersion()) ? "Global\\%s" : "%s", kServiceChannel);
    callbacks_.Reopen();
    HANDLE channel = IPCInitServer(name, &COrxIke::ReceiveMsg, nullptr, this);
    serverChannel_ = channel;
    if (channel == nullptr) {
        TRACE("<= IPCInitServer %s failed!!!", kServiceChannel);
        return nullptr;
    }
    TRACE("<= IPCInitServer %s success, 0x%X", kServiceChannel, TraceBits(channel));
    return channel;
}

HANDLE COrxIke::InitClient(uint8_t) {
    TRACE("=> InitOrxIkeComm, Index=%d, MaxTry=%d", 0, kMaxTry);
    uint32_t generation;
    ProcessHandle process;
    {
        orx::SharedGuard guard(stateLock_);
        generation = machine_.state().generation;
        process = ProcessOfLocked(generation);
    }
    // The retries end early when the service stops or the daemon they wait
    // for has ended (its process handle may not be known yet).
    const HANDLE waits[] = {quit_.get(), process ? process->get() : nullptr};
    const DWORD waitCount = process ? 2 : 1;
    HANDLE channel = nullptr;
    for (int index = 0; index < kMaxTry; ++index) {
        channel = IPCInitClient(kDaemonChannel);
        if (channel != nullptr) {
            TRACE("   IPCInitClient(IKEDAEMON_INTERPS_NAME) succeeded (index=%d)", index);
            break;
        }
        TRACE("   IPCInitClient(IKEDAEMON_INTERPS_NAME) failed : retry in 1 sec");
        if (WaitForMultipleObjects(waitCount, waits, FALSE, kRetryMs) != WAIT_TIMEOUT) break;
    }
    HANDLE replaced = nullptr;
    if (channel != nullptr) {
        orx::ExclusiveGuard guard(stateLock_);
        const auto& state = machine_.state();
        const bool stillOurs = state.generation == generation && !state.stopping;
        // A channel still held from an earlier daemon leads nowhere now; one
        // opened while a later daemon was launched, or the service stops, is
        // not kept.
        if (stillOurs) {
            replaced = clientChannel_.exchange(channel);
        } else {
            replaced = channel;
            channel = nullptr;
        }
    }
    if (replaced != nullptr) IPCUnitialize(replaced);
    if (channel == nullptr) {
        TRACE("<= InitOrxIkeComm returns FALSE");
        return nullptr;
    }
    TRACE("<= InitOrxIkeComm returns with handle 0x%08X", TraceBits(channel));
    return channel;
}

bool COrxIke::SendToDaemon(const void* message, DWORD length) {
    return IPCSendMsg(clientChannel_.load(), message, length) != FALSE;
}

bool COrxIke::DaemonConnected() {
    orx::SharedGuard guard(stateLock_);
    return machine_.Connected();
}

bool COrxIke::DaemonRunning() {
    orx::SharedGuard guard(stateLock_);
    return machine_.DaemonRunning();
}

void COrxIke::SendToGui(const void* message, DWORD length) {
    if (Owner != nullptr) Owner->Gui().SendToGui(message, length);
}

BOOL COrxIke::ReceiveMsg(void* message, DWORD length, void* context) {
    auto* self = static_cast<COrxIke*>(context);
    if (message == nullptr || self == nullptr) {
        TRACE("   ReceiveMsg with wrong argument");
        return FALSE;
    }
    const CallbackGate::Pass pass(self->callbacks_);
    if (!pass) return TRUE;  // the supervisor is closing: nothing more is served
    const ReceivedMessage received(message, length);
    const bool silent = received.Type() == ORXIKE_SILENT_NOTIFY;
    if (!silent) TRACE("=> ReceiveMsg with type 0x%08X", received.Type());
    self->HandleMessage(received, message);
    if (!silent) TRACE("<= ReceiveMsg");
    return TRUE;
}

void COrxIke::HandleMessage(const ReceivedMessage& received, const void* inPlace) {
    using daemon_supervision::Report;
    using daemon_supervision::Supervisor;
    const uint32_t type = received.Type();
    const uint32_t errorCode = received.Word(offsetof(IpcDaemonStartedMsg, errorCode));
    const DaemonRule rule = RuleForDaemonMessage(type, errorCode);
    switch (rule.traceArg) {
    case DaemonRule::TraceArg::None: if (rule.trace != nullptr) TRACE("%s", rule.trace); break;
    case DaemonRule::TraceArg::State: TRACE(rule.trace, static_cast<int>(ReportedState())); break;
    case DaemonRule::TraceArg::ErrorCode: TRACE(rule.trace, static_cast<unsigned>(errorCode)); break;
    case DaemonRule::TraceArg::Type: TRACE(rule.trace, static_cast<unsigned>(type)); break;
    }

    // Relays pass on the message as it arrived: its bytes in the mailbox and
    // its received length.
    const DWORD length = received.length();
    switch (rule.action) {
    case DaemonAction::StartedWithError:
        Act([](Supervisor& s) { return s.DaemonReported(Report::StartedWithError); });
        SendToGui(inPlace, length);
        LogSystemEvent(kEventDaemonStarted, 2, 3, static_cast<int32_t>(errorCode), nullptr);
        break;
    case DaemonAction::Started: {
        bool connect = false;
        Act([&connect](Supervisor& s) {
            const auto actions = s.DaemonReported(Report::StartedOk);
            connect = actions.connectClient;
            return actions;
        });
        if (connect) InitClient(0);  // holds this channel while it retries
        LogSystemEvent(kEventDaemonStarted, 2, 5, 0, nullptr);
        break;
    }
    case DaemonAction::Stopped:
        Act([](Supervisor& s) { return s.DaemonReported(Report::Stopped); });
        LogSystemEvent(kEventDaemonStopped, 2, 5, 0, nullptr);
        break;
    case DaemonAction::Relay: SendToGui(inPlace, length); break;
    case DaemonAction::Alive: {
        bool already = false;
        Act([&already](Supervisor& s) {
            already = s.Connected();
            return s.DaemonReported(Report::Alive);
        });
        AlertVPNCONFaboutORXIKE(true, already);
        break;
    }
    case DaemonAction::SilentNotify:
        if (Owner != nullptr && Owner->Gui().GuiReady()) SendToGui(inPlace, length);
        break;
    case DaemonAction::SystemLog: LogSystemLogMessage(received); break;
    case DaemonAction::ReadyToDie:
        Act([](Supervisor& s) { return s.DaemonReported(Report::ReadyToDie); });
        AlertVPNCONFaboutORXIKE(false, false);
        break;
    case DaemonAction::Remain: AlertVPNCONFaboutORXIKE(false, true); break;
    case DaemonAction::Unknown: break;
    }
}

bool COrxIke::AlertVPNCONFaboutORXIKE(bool started, bool already) {
    if (started) {
        TRACE(already ? "=> AlertVPNCONFaboutORXIKE: ALREADY STARTED" : "=> AlertVPNCONFaboutORXIKE: JUST STARTED");
    } else if (!already) {
        TRACE("=> AlertVPNCONFaboutORXIKE: JUST STOPPED");
    } else {
        TRACE("=> AlertVPNCONFaboutORXIKE: REMAIN");
    }
    unsigned char status[IPC_MAX_MSG_SIZE];
    ComposeStatusMsg(status, started, started && already, LastSessionEvent.load());
    SendToGui(status, sizeof status);
    TRACE("<= AlertVPNCONFaboutORXIKE: 0x%08x", 1);
    return true;
}
