#include "standins/orxike/Daemon.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "standins/orxike/DaemonNames.h"
#include "standins/orxike/JournalLine.h"
#include "sysdep/sysdep.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace orxike_standin {

namespace {

// Handshake messages are worth waiting for: the service's receive thread may
// still be busy connecting to "vpnike" (it retries once a second).
constexpr unsigned kHandshakeAttempts = 5;
constexpr DWORD kConnectRetryMs = 250;

// How long to wait for `deadline` (none: for ever). A timer never waits
// INFINITE, however far off it is.
DWORD MsUntil(std::optional<ULONGLONG> deadline, ULONGLONG now) {
    if (!deadline) return INFINITE;
    return DWORD(std::min<ULONGLONG>(*deadline - std::min(now, *deadline), INFINITE - 1));
}

std::string Describe(const Message& message) {
    return MessageLabel(message.data(), uint32_t(message.size())) + " len=" + std::to_string(message.size());
}

}  // namespace

DaemonStandIn::DaemonStandIn(DaemonSettings settings, Journal& journal)
    : settings_(std::move(settings)), journal_(journal), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

int DaemonStandIn::Run() {
    const bool delayed = settings_.channelDelayS != 0;
    if (!delayed && !CreateOwnChannel()) return kExitOwnChannel;
    if (!ConnectToService()) return kExitServiceChannel;
    if (!SendToService(ComposeStarted(settings_.startError), kHandshakeAttempts)) return kExitHandshake;
    if (delayed) {
        journal_.Write("creating " + std::string(kDaemonChannelName) + " in " +
                       std::to_string(settings_.channelDelayS) + " s");
        if (StopRequestedWithin(settings_.channelDelayS * 1000)) return kExitDone;
        if (!CreateOwnChannel()) return kExitOwnChannel;
    }
    if (settings_.startError != 0 || settings_.neverAlive) {
        journal_.Write(settings_.startError != 0 ? "start failed on purpose: no ORXIKE_ALIVE"
                                                 : "never_alive: no ORXIKE_ALIVE");
    } else if (!SendToService(ComposeSignal(ORXIKE_ALIVE), kHandshakeAttempts)) {
        return kExitHandshake;
    }
    SendAfterHandshake();
    return ServeUntilEnd();
}

bool DaemonStandIn::CreateOwnChannel() {
    ownChannel_ = ChannelHandle(IPCInitServer(kDaemonChannelName, OnReceived, nullptr, this));
    journal_.Write(ownChannel_ ? "created channel " + std::string(kDaemonChannelName)
                               : "cannot create channel " + std::string(kDaemonChannelName) + ": giving up");
    return bool(ownChannel_);
}

bool DaemonStandIn::ConnectToService() {
    const std::string name = ServiceChannelName(GetOSVersion());
    const ULONGLONG deadline = GetTickCount64() + settings_.connectTimeoutMs;
    for (;;) {
        serviceChannel_ = ChannelHandle(IPCInitClient(name.c_str()));
        if (serviceChannel_) {
            journal_.Write("opened service channel " + name);
            return true;
        }
        if (GetTickCount64() >= deadline || StopRequestedWithin(kConnectRetryMs)) break;
    }
    journal_.Write("service channel " + name + " not found within " + std::to_string(settings_.connectTimeoutMs) +
                   " ms: giving up");
    return false;
}

bool DaemonStandIn::SendToService(const Message& message, unsigned attempts) {
    for (unsigned attempt = 1; attempt <= attempts; ++attempt) {
        if (IPCSendMsg(serviceChannel_.get(), message.data(), DWORD(message.size()))) {
            journal_.Write("sent " + Describe(message));
            return true;
        }
        journal_.Write("send " + Describe(message) + " failed, service mailbox busy (attempt " +
                       std::to_string(attempt) + " of " + std::to_string(attempts) + ")");
    }
    return false;
}

void DaemonStandIn::SendAfterHandshake() {
    if (settings_.remain) SendToService(ComposeSignal(ORXIKE_REMAIN), 1);
    if (settings_.systemLog.enabled) SendToService(ComposeSystemLog(settings_.systemLog), 1);
}

int DaemonStandIn::ServeUntilEnd() {
    const NotifySettings& notify = settings_.notify;
    const ULONGLONG start = GetTickCount64();
    std::optional<ULONGLONG> exitAt;
    if (settings_.exitAfterMs) exitAt = start + *settings_.exitAfterMs;
    bool notifying = notify.enabled;
    ULONGLONG nextNotification = start;
    uint32_t notificationsSent = 0;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (notifying && now >= nextNotification) {
            SendToService(ComposeNotification(notify.type, notify.length, ++notificationsSent), 1);
            notifying = notify.count == 0 || notificationsSent < notify.count;
            now = GetTickCount64();
            nextNotification = now + notify.everyMs;
        }
        if (exitAt && now >= *exitAt) {
            if (settings_.readyToDie) SendToService(ComposeSignal(ORXIKE_READY_TO_DIE), 1);
            journal_.Write("exit_after_ms reached");
            return kExitDone;
        }
        std::optional<ULONGLONG> nextTimer = exitAt;
        if (notifying) nextTimer = std::min(nextNotification, exitAt.value_or(nextNotification));
        const HANDLE events[] = {stop_.get(), outbox_.Ready()};
        const DWORD woken = WaitForMultipleObjects(2, events, FALSE, MsUntil(nextTimer, now));
        if (woken == WAIT_OBJECT_0) {
            journal_.Write("told to stop");
            return kExitDone;
        }
        if (woken == WAIT_OBJECT_0 + 1) {
            while (std::optional<Message> message = outbox_.Take()) SendToService(*message, 1);
        } else if (woken != WAIT_TIMEOUT) {
            journal_.Write("wait failed with error " + std::to_string(GetLastError()) + ": stopping");
            return kExitDone;
        }
    }
}

BOOL DaemonStandIn::OnReceived(void* message, DWORD length, void* context) {
    static_cast<DaemonStandIn*>(context)->Handle(static_cast<const uint8_t*>(message), length);
    return TRUE;
}

void DaemonStandIn::Handle(const uint8_t* message, DWORD length) {
    journal_.Write(ReceivedText(message, length));
    if (length < sizeof(uint32_t)) return;
    uint32_t code = 0;
    std::memcpy(&code, message, sizeof code);
    if (code == VPNCONF_STARTED) {
        journal_.Write("answering VPNCONF_STARTED with ORXIKE_CONFIG_OK");
        outbox_.Post(ComposeSignal(ORXIKE_CONFIG_OK));
    } else if (code == VPNCONF_STOPPED) {
        journal_.Write("VPNCONF_STOPPED: keeps running");
    }
}

}  // namespace orxike_standin
