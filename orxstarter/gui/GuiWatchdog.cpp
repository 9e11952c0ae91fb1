// The GUI watchdog: one thread per GUI process that asked to be watched,
// however often it announces itself, and a few in all; each waits for its
// process to end. A GUI that ends while it still holds its slot has vanished
// without saying so: it is reported, the daemon told, and its slot cleared.
// A GUI that had closed in order, or whose slot another GUI has taken since,
// changes nothing.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/tools/tools.h"
#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLogEvents.h"

#include <memory>

using namespace gui_settings;

// The process is opened at the announcement and handed to the watchdog, so
// a GUI that ends before the thread runs is still seen, and a process that
// later gets the same id is never taken for it. Waiting needs SYNCHRONIZE
// only.
struct CGui::WatchdogArgs {
    CGui* self;
    DWORD processId;
    HANDLE process;  // owned by the broker's watched_ entry until Unwatch
};

bool CGui::AlreadyWatchedLocked(DWORD processId) {
    for (const auto& entry : watched_) {
        if (entry.processId == processId) return true;
    }
    return false;
}

void CGui::StartWatchdog(DWORD processId) {
    orx::ExclusiveGuard guard(watchLock_);
    if (stopping_.load()) return;
    if (AlreadyWatchedLocked(processId)) {
        TRACE("\tGUI [PID:%d] is watched already", static_cast<int>(processId));
        return;
    }
    if (watched_.size() >= kMaxWatchedGuis) {
        TRACE("\t%d GUIs are watched already, GUI [PID:%d] is not", static_cast<int>(watched_.size()),
              static_cast<int>(processId));
        return;
    }
    orx::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
        TRACE("<= WatchDog GUI : Can't SYNCHRONIZE with process error %d", static_cast<int>(GetLastError()));
        return;
    }
    auto args = std::make_unique<WatchdogArgs>(WatchdogArgs{this, processId, process.get()});
    watched_.push_back({processId, std::move(process)});
    if (!watchdogs_.Start(&CGui::WatchDogGui, args.get())) {
        TRACE("\tthe GUI watchdog could not be started, error %d", static_cast<int>(GetLastError()));
        watched_.pop_back();
        return;
    }
    args.release();  // the thread owns them now
}

DWORD WINAPI CGui::WatchDogGui(void* argument) {
    std::unique_ptr<WatchdogArgs> args(static_cast<WatchdogArgs*>(argument));
    CGui* self = args->self;
    TRACE("\t=================== WatchDog GUI [0X%08X]============\n", TraceBits(self));
    // The broker's stop wakes the watchdog too; it then does nothing.
    const HANDLE waits[] = {args->process, self->quit_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) self->OnGuiEnded(args->processId);
    self->Unwatch(args->processId);
    return 0;
}

void CGui::OnGuiEnded(DWORD processId) {
    TRACE("\t=================== WatchDog GUI [PID:%d] signaled =====================\n",
          static_cast<int>(processId));
    const int32_t state = State.load();
    gui_slots::EndActions end;
    {
        // Decided and released in one step: an announcement from here on
        // makes a new owner, whose channel the clear below leaves alone.
        orx::ExclusiveGuard guard(clearLock_);
        end = slotOwners_.Ended(processId);
    }
    TRACE("\t\tGUI State before process is signaled %s", ProcessStateName(state));
    if (!end.vanished) {
        TRACE("\t\tGUI [PID:%d] had closed or was replaced: nothing to clear", static_cast<int>(processId));
    } else {
        if (state == ORX_READY_STATE) LogSystemEvent(kEventGuiVanished, kFacilityGui, kLevelError, state, nullptr);
        TellDaemonGuiVanished();
        ClearVanished(end.slot);
    }
    if (Owner != nullptr && !stopping_.load()) Owner->LoadConfiguration();
    TRACE("<= WatchDog GUI");
}

void CGui::TellDaemonGuiVanished() {
    unsigned char netParams[64];
    const DWORD size = sizeof netParams;
    GetRegParam(kProductKey, kNetParamsValue, netParams, &size);  // left zero when missing or longer
    uint32_t code = VPNCONF_STOPPED;
    if (netParams[0] != 0) {
        code = VPNCONF_KEEP_IKE;
        TRACE("filter mode is enabled, keeping ike started");
    } else if (ConnectType.load() == 1) {
        code = VPNCONF_CLOSED;
        TRACE("ihm was in gina mode");
    } else {
        TRACE("stopping ike");
    }
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, code);
    PassToDaemon(message, sizeof message);
}

// The last use of the broker by a watchdog thread.
void CGui::Unwatch(DWORD processId) {
    orx::ExclusiveGuard guard(watchLock_);
    for (auto it = watched_.begin(); it != watched_.end(); ++it) {
        if (it->processId == processId) {
            watched_.erase(it);
            return;
        }
    }
}
