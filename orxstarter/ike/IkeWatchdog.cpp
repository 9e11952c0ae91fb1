// The IKE watchdog: one thread per launch, waiting for that daemon's process
// to end and reporting the end of that generation only. A daemon that was
// replaced (or whose end someone else reported first) changes nothing.
#include "orxstarter/ike/orxike.h"

#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/trace/DebugTrace.h"

#include <cstdio>

// The watchdog is handed the process handle that creation returned, so a
// daemon that ends before the thread runs is still seen, and a process that
// later gets the same id is never taken for it.
struct COrxIke::WatchdogArgs {
    COrxIke* self;
    uint32_t generation;
    ProcessHandle process;
    DWORD processId;
};

bool COrxIke::StartWatchdog(uint32_t generation, const ProcessHandle& process) {
    auto args = std::make_unique<WatchdogArgs>(WatchdogArgs{this, generation, process, ProcessId.load()});
    if (!watchdogs_.Start(&COrxIke::WatchDogIke, args.get())) return false;
    args.release();  // the thread owns them now
    return true;
}

DWORD WINAPI COrxIke::WatchDogIke(void* argument) {
    std::unique_ptr<WatchdogArgs> args(static_cast<WatchdogArgs*>(argument));
    COrxIke* self = args->self;
    TRACE("\t=================== WatchDog IKE ===================");
    TRACE("\t=================== WatchDog IKE [PID:%d] ===================", static_cast<int>(args->processId));
    const HANDLE waits[] = {args->process->get(), self->releaseWatchdogs_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return 0xFFFFFFFF;
    TRACE("\t=================== WatchDog IKE [PID:%d] signaled =====================",
          static_cast<int>(args->processId));
    char stateName[128];
    std::snprintf(stateName, sizeof stateName, "%s", ProcessStateName(self->ReportedState()));
    const uint32_t generation = args->generation;
    self->Act([generation](daemon_supervision::Supervisor& s) { return s.ProcessEnded(generation); });
    TRACE("\t\tIKE State before process is signaled %s", stateName);
    TRACE("<= WatchDog IKE");
    return 0;
}

void COrxIke::onIkeCrashed() {
    TRACE("=> onIkeCrashed");
    unsigned char crashed[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(crashed, ORXIKE_CRASHED);
    SendToGui(crashed, sizeof crashed);
    AlertVPNCONFaboutORXIKE(false, false);
    TRACE("<= onIkeCrashed");
}

int32_t COrxIke::ReportedState() {
    orx::SharedGuard guard(stateLock_);
    return machine_.state().reported;
}

bool COrxIke::CloseChannels(DWORD timeoutMs) {
    const bool drained = callbacks_.CloseAndDrain(timeoutMs);
    CloseChannelOf(serverChannel_);
    const bool joined = watchdogs_.JoinAll(timeoutMs);
    CloseChannelOf(clientChannel_);
    if (!drained || !joined) TRACE("   COrxIke: a callback or watchdog did not end in time");
    return drained && joined;
}
