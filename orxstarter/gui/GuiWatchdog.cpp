// The GUI watchdog: one thread per announcement that asks for it, waiting for
// that GUI's process to end; a GUI that ends without saying so is reported,
// the daemon told, and its slot cleared.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/ike/orxike.h"
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
    orx::UniqueHandle process;
    DWORD openError;
    HANDLE thread;  // this watchdog's own thread handle
};

void CGui::StartWatchdog(DWORD processId) {
    auto args = std::make_unique<WatchdogArgs>();
    args->self = this;
    args->process.reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
    args->openError = args->process ? 0 : GetLastError();
    // Suspended until it knows its own handle, which it may have to close.
    HANDLE thread = CreateThread(nullptr, 0, &CGui::WatchDogGui, args.get(), CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        TRACE("\tthe GUI watchdog could not be started, error %d", static_cast<int>(GetLastError()));
        return;
    }
    args->thread = thread;
    ++liveWatchdogs_;
    args.release();  // the thread owns them now
    // The handle of the previous watchdog is closed here; that thread runs on.
    AdoptWatchdogThread(thread);
    ResumeThread(thread);
}

DWORD WINAPI CGui::WatchDogGui(void* argument) {
    std::unique_ptr<WatchdogArgs> args(static_cast<WatchdogArgs*>(argument));
    CGui* self = args->self;
    TRACE("\t=================== WatchDog GUI [0X%08X]============\n", TraceBits(self));
    DWORD exitCode = 0;
    if (!args->process) {
        TRACE("<= WatchDog GUI : Can't SYNCHRONIZE with process error %d", static_cast<int>(args->openError));
        exitCode = 0xFFFFFFFF;
    } else {
        // The broker's end wakes the watchdog too; it then does nothing.
        const HANDLE waits[] = {args->process.get(), self->watchdogQuit_.get()};
        const DWORD count = self->watchdogQuit_ ? 2 : 1;
        if (WaitForMultipleObjects(count, waits, FALSE, INFINITE) == WAIT_OBJECT_0) self->OnGuiEnded(*args);
    }
    self->FinishWatchdog(args->thread);
    return exitCode;
}

void CGui::OnGuiEnded(WatchdogArgs& args) {
    TRACE("\t=================== WatchDog GUI [PID:%d] signaled =====================\n",
          static_cast<int>(ProcessId.load()));
    const int32_t state = State.load();
    if (state == ORX_READY_STATE) LogSystemEvent(kEventGuiVanished, kFacilityGui, kLevelError, state, nullptr);
    TRACE("\t\tGUI State before process is signaled %s", ProcessStateName(state));
    // A GUI that closed in order (VPNCONF_CLOSED) has been cleared already.
    if (state != ORX_TERMINATED_STATE) {
        TellDaemonGuiVanished();
        Clear(0);
    }
    args.process.reset();
    if (Owner != nullptr) Owner->LoadConfiguration();
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

// The last use of the broker by this thread.
void CGui::FinishWatchdog(HANDLE ownThread) {
    ReleaseWatchdogThread(ownThread);
    --liveWatchdogs_;
}
