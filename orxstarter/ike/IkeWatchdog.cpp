// The IKE watchdog: one thread per launch, waiting for the daemon's process
// to end, then telling the GUI (when the daemon was ready) and clearing.
#include "orxstarter/ike/orxike.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLogEvents.h"

#include <cstdio>

namespace {

constexpr uint32_t kEventDaemonStopped = 7;
constexpr uint32_t kEventDaemonCrashed = 10;

}  // namespace

// The watchdog is handed the process handle that creation returned, so a
// daemon that ends before the thread runs is still seen, and a process that
// later gets the same id is never taken for it.
struct COrxIke::WatchdogArgs {
    COrxIke* self;
    std::shared_ptr<orx::UniqueHandle> process;
    DWORD processId;
    HANDLE thread;  // this watchdog's own thread handle
};

bool COrxIke::StartWatchdog(const std::shared_ptr<orx::UniqueHandle>& process) {
    auto* args = new WatchdogArgs{this, process, ProcessId.load(), nullptr};
    // Suspended until it knows its own handle, which it may have to close.
    HANDLE thread = CreateThread(nullptr, 0, &COrxIke::WatchDogIke, args, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        TRACE("   RunOrxIke: the watchdog thread could not be started, error %d", static_cast<int>(GetLastError()));
        delete args;
        return false;
    }
    args->thread = thread;
    AdoptWatchdogThread(thread);
    ResumeThread(thread);
    return true;
}

DWORD WINAPI COrxIke::WatchDogIke(void* argument) {
    std::unique_ptr<WatchdogArgs> args(static_cast<WatchdogArgs*>(argument));
    TRACE("\t=================== WatchDog IKE ===================");
    TRACE("\t=================== WatchDog IKE [PID:%d] ===================", static_cast<int>(args->processId));
    if (!args->process || !*args->process) {
        TRACE("<= WatchDog IKE : Can't SYNCHRONIZE with process error %d", static_cast<int>(ERROR_INVALID_HANDLE));
        args->self->ReleaseWatchdogThread(args->thread);
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(args->process->get(), INFINITE);
    args->self->OnDaemonEnded(*args);
    return 0;
}

void COrxIke::OnDaemonEnded(const WatchdogArgs& args) {
    TRACE("\t=================== WatchDog IKE [PID:%d] signaled =====================", static_cast<int>(args.processId));
    const int32_t state = State.load();
    char stateName[128];
    std::snprintf(stateName, sizeof stateName, "%s", ProcessStateName(state));
    if (state == ORX_READY_STATE) {
        if (StopRequested) {
            LogSystemEvent(kEventDaemonStopped, 2, 5, 0, nullptr);
        } else {
            LogSystemEvent(kEventDaemonCrashed, 2, 3, state, nullptr);
        }
        onIkeCrashed();
    }
    TRACE("\t\tIKE State before process is signaled %s", stateName);
    Clear(0);
    {
        // Forget the process unless a newer launch has replaced it already.
        orx::ExclusiveGuard guard(daemonLock_);
        if (daemon_ == args.process) daemon_.reset();
    }
    ReleaseWatchdogThread(args.thread);
    TRACE("<= WatchDog IKE");
}

void COrxIke::onIkeCrashed() {
    TRACE("=> onIkeCrashed");
    unsigned char crashed[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(crashed, ORXIKE_CRASHED);
    SendToGui(crashed, sizeof crashed);
    AlertVPNCONFaboutORXIKE(false, false);
    TRACE("<= onIkeCrashed");
}
