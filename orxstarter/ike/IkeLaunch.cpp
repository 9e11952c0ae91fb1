// Launching and stopping the IKE daemon: one at a time, decided under the
// supervisor's lock, every launch ended by a stop that comes while it runs.
#include "orxstarter/ike/orxike.h"

#include "common/orxinterps/src/interps.h"
#include "orxstarter/ike/IkeRegistry.h"
#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "systemlog/SystemLogEvents.h"

#include <cstdio>

using daemon_supervision::LaunchDecision;
using daemon_supervision::Phase;

namespace {

constexpr char kIkeV1Image[] = "orxike.exe";
constexpr char kIkeV2Image[] = "orxikeng.exe";
constexpr DWORD kAliveWaitMs = 30000;
constexpr DWORD kStopWaitMs = 2000;
// A daemon that said it ends (ORXIKE_STOPPED, ORXIKE_READY_TO_DIE) gets this
// long to do so before a launch ends it: a real one exits within a second or
// two, and one that lingers (or a forged report) must not leave the user
// without a daemon, nor with two.
constexpr DWORD kLingerGraceMs = 5000;
// The daemon's paths come from the registry, which a GUI may write when no
// policy forbids it: traced escaped like any text from another process.
using ShownPath = log_text::Escaped<ike_registry::kPathSize * log_text::kMaxEscapeLength>;

void TraceAliveWait(DWORD result) {
    switch (result) {
    case WAIT_OBJECT_0: TRACE("   WaitForSingleObject return WAIT_OBJECT_0"); break;
    case WAIT_OBJECT_0 + 1: TRACE("   WaitForSingleObject: the service is stopping"); break;
    case WAIT_OBJECT_0 + 2: TRACE("   WaitForSingleObject: the daemon has ended"); break;
    case WAIT_ABANDONED: TRACE("   WaitForSingleObject return WAIT_ABANDONED"); break;
    case WAIT_TIMEOUT: TRACE("   WaitForSingleObject return WAIT_TIMEOUT"); break;
    case WAIT_FAILED:
        TRACE("   WaitForSingleObject return WAIT_FAILED with error %d", static_cast<int>(GetLastError()));
        break;
    default: TRACE("   WaitForSingleObject return unknown status"); break;
    }
}

void TraceStopWait(DWORD result) {
    switch (result) {
    case WAIT_OBJECT_0: TRACE("   COrxIke::Stop() WaitForSingleObject return WAIT_OBJECT_0"); break;
    case WAIT_ABANDONED: TRACE("   COrxIke::Stop() WaitForSingleObject return WAIT_ABANDONED"); break;
    case WAIT_TIMEOUT: TRACE("   COrxIke::Stop() WaitForSingleObject return WAIT_TIMEOUT"); break;
    case WAIT_FAILED:
        TRACE("   COrxIke::Stop() WaitForSingleObject return WAIT_FAILED with error %d",
              static_cast<int>(GetLastError()));
        break;
    default: TRACE("   COrxIke::Stop() WaitForSingleObject return unknown status"); break;
    }
}

// Reads a directory setting; a value of 260 characters or more is refused
// with a trace line rather than cut, since a cut path names another place.
ike_registry::ReadResult ReadDirectory(const char* name, char (&out)[ike_registry::kPathSize]) {
    const auto result = ike_registry::ReadPath(name, out);
    if (result == ike_registry::ReadResult::TooLong) {
        TRACE("   RunOrxIke: \"%s\" holds 260 characters or more, refused", name);
    }
    return result;
}

struct LaunchSettings {
    char directory[ike_registry::kPathSize] = {};    // the daemon's current directory
    char executable[ike_registry::kPathSize] = {};
    const char* image = kIkeV1Image;
};

// Every setting is read before IKEEXT is touched: a launch refused for its
// settings leaves the system's IKE service alone.
bool ReadLaunchSettings(LaunchSettings& settings) {
    char path[ike_registry::kPathSize] = {};
    if (ReadDirectory("Path", path) != ike_registry::ReadResult::Ok) return false;
    const bool ikeV2 = COrxIke::IsIkeV2();
    char ngPath[ike_registry::kPathSize] = {};
    const auto ngRead = ikeV2 ? ReadDirectory("NgPath", ngPath) : ike_registry::ReadResult::Missing;
    if (ngRead == ike_registry::ReadResult::TooLong) return false;
    settings.image = ikeV2 ? kIkeV2Image : kIkeV1Image;
    const bool useNg = ngRead == ike_registry::ReadResult::Ok;
    std::snprintf(settings.directory, sizeof settings.directory, "%s", useNg ? ngPath : path);
    if (useNg) TRACE("   OrxIkeNg path = %s", ShownPath(ngPath).c_str());
    const int length = std::snprintf(settings.executable, sizeof settings.executable, "%s\\%s", settings.directory,
                                     settings.image);
    if (length < 0 || static_cast<size_t>(length) >= sizeof settings.executable) {
        TRACE("   RunOrxIke: the daemon's path is 260 characters or more, refused");
        return false;
    }
    return true;
}

bool CreateDaemonProcess(const LaunchSettings& settings, PROCESS_INFORMATION& created) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    return CreateProcessA(settings.executable, nullptr, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                          settings.directory, &startup, &created) != FALSE;
}

}  // namespace

COrxIke::COrxIke()
    : quit_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      releaseWatchdogs_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    std::snprintf(ImageName, sizeof ImageName, "%s", IsIkeV2() ? kIkeV2Image : kIkeV1Image);
}

COrxIke::~COrxIke() {
    BeginStop();
    WaitDaemonGone(kStopWaitMs);
    // A watchdog still waiting on a daemon that would not end lets go now.
    SetEvent(releaseWatchdogs_.get());
    CloseChannels(10000);
}

void COrxIke::Attach(ProcessOwner* owner, HANDLE aliveEvent) {
    Owner = owner;
    aliveEvent_ = aliveEvent;
}

bool COrxIke::IsIkeV2() {
    DWORD value = 0;
    return ike_registry::ReadDword("IkeV2", &value) && value == 1;
}

bool COrxIke::Run() {
    const DaemonStart started = StartDaemon();
    return started != DaemonStart::Failed && started != DaemonStart::Refused;
}

DaemonStart COrxIke::StartDaemon() {
    orx::ExclusiveGuard launch(launchLock_);
    // Two rounds at most: a daemon that said it ends is waited for (or ended)
    // once, then the launch is decided again.
    for (int round = 0; round < 2; ++round) {
        LaunchDecision decision;
        uint32_t generation;
        ProcessHandle current;
        {
            orx::ExclusiveGuard guard(stateLock_);
            decision = machine_.RequestLaunch();
            generation = machine_.state().generation;
            current = ProcessOfLocked(generation);
        }
        switch (decision) {
        case LaunchDecision::Launch: return Launch(generation);
        case LaunchDecision::Lingering: AwaitLingering(generation, current); continue;
        case LaunchDecision::AlreadyRunning:
        case LaunchDecision::InProgress: TRACE("   RunOrxIke: a daemon of ours runs, none launched"); return DaemonStart::AlreadyRunning;
        case LaunchDecision::Refused: TRACE("   RunOrxIke: the service is stopping, no launch"); return DaemonStart::Refused;
        }
    }
    TRACE("   RunOrxIke: the earlier daemon has not ended, none launched");
    return DaemonStart::Failed;
}

void COrxIke::AwaitLingering(uint32_t generation, const ProcessHandle& process) {
    TRACE("   RunOrxIke: the daemon said it ends, waiting for its end");
    if (!process) return;
    const HANDLE waits[] = {process->get(), quit_.get()};
    const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, kLingerGraceMs);
    if (waited == WAIT_OBJECT_0 + 1) return;  // stopping: the next round refuses
    if (waited == WAIT_TIMEOUT) {
        TRACE("   RunOrxIke: the daemon did not end within %u ms, ending it", static_cast<unsigned>(kLingerGraceMs));
        Act([generation](daemon_supervision::Supervisor& s) { return s.LingeringExpired(generation); });
    }
    EndedAfterWait(generation, process, kStopWaitMs);
}

DaemonStart COrxIke::Launch(uint32_t generation) {
    TRACE("=> RunOrxIke");
    LaunchSettings settings;
    if (!ReadLaunchSettings(settings)) {
        Act([generation](daemon_supervision::Supervisor& s) { return s.LaunchFailed(generation); });
        TRACE("<= RunOrxIke: FALSE");
        return DaemonStart::Failed;
    }
    bool stopped;
    {
        // After any restore decided before this launch (a watchdog's), never
        // before it.
        orx::ExclusiveGuard ikeext(ikeextLock_);
        stopped = SwitchIkeext(0);
    }
    bool stopping;
    {
        orx::ExclusiveGuard guard(stateLock_);
        machine_.IkeextSteppedAside(stopped);
        stopping = machine_.state().stopping;
    }
    if (stopping) {
        Act([generation](daemon_supervision::Supervisor& s) { return s.LaunchFailed(generation); });
        TRACE("<= RunOrxIke: the service is stopping, no launch");
        return DaemonStart::Refused;
    }

    std::snprintf(ImageName, sizeof ImageName, "%s", settings.image);
    TRACE("   RunOrxIke: CreateProcess for %s", ShownPath(settings.executable).c_str());
    if (aliveEvent_ != nullptr) ResetEvent(aliveEvent_);
    PROCESS_INFORMATION created = {};
    if (!CreateDaemonProcess(settings, created)) {
        TRACE("<= RunOrxIke: CreateProcess failed");
        // The user's own IKE service must not stay disabled because our
        // daemon could not start.
        Act([generation](daemon_supervision::Supervisor& s) { return s.LaunchFailed(generation); });
        return DaemonStart::Failed;
    }
    TRACE("   Process %s created", ShownPath(settings.executable).c_str());
    orx::UniqueHandle thread(created.hThread);
    auto process = std::make_shared<orx::UniqueHandle>(created.hProcess);
    {
        orx::ExclusiveGuard guard(stateLock_);
        daemonGeneration_ = generation;
        daemon_ = process;
        ProcessId = created.dwProcessId;
    }
    // A stop that came while the process was being created ends it here.
    Act([generation](daemon_supervision::Supervisor& s) { return s.LaunchCreated(generation); });
    if (!StartWatchdog(generation, process)) {
        TRACE("   RunOrxIke: the watchdog thread could not be started, error %d; the daemon is ended",
              static_cast<int>(GetLastError()));
        Act([generation](daemon_supervision::Supervisor& s) { return s.WatchdogFailed(generation); });
        EndedAfterWait(generation, process, kStopWaitMs);
        TRACE("<= RunOrxIke: FALSE");
        return DaemonStart::Failed;
    }
    const DaemonStart started = AwaitAlive(process);
    TRACE("<= RunOrxIke: CreateProcess success");
    return started;
}

DaemonStart COrxIke::AwaitAlive(const ProcessHandle& process) {
    const HANDLE waits[] = {aliveEvent_, quit_.get(), process->get()};
    const DWORD waited = aliveEvent_ != nullptr ? WaitForMultipleObjects(3, waits, FALSE, kAliveWaitMs) : WAIT_FAILED;
    TraceAliveWait(waited);
    return DaemonRunning() ? DaemonStart::Launched : DaemonStart::Silent;
}

bool COrxIke::Stop() {
    TRACE("=> Stop");
    uint32_t generation;
    ProcessHandle process;
    {
        orx::SharedGuard guard(stateLock_);
        generation = machine_.state().generation;
        process = machine_.state().phase == Phase::Running ? ProcessOfLocked(generation) : nullptr;
    }
    if (!process) {
        TRACE("<= Stop : invalid HANDLE");
        TRACE("<= Stop failed to terminate process with error %d", static_cast<int>(ERROR_INVALID_HANDLE));
        // A launch under way is ended as soon as its process exists.
        Act([](daemon_supervision::Supervisor& s) { return s.StopDaemon(); });
        return false;
    }
    Act([](daemon_supervision::Supervisor& s) { return s.StopDaemon(); });
    const DWORD waited = WaitForSingleObject(process->get(), kStopWaitMs);
    TraceStopWait(waited);
    TRACE("<= StopOrxIke: Ret = %d", 1);
    // Its end is handled now (GUI told, IKEEXT restored), not only when the
    // watchdog wakes.
    if (waited == WAIT_OBJECT_0) {
        Act([generation](daemon_supervision::Supervisor& s) { return s.ProcessEnded(generation); });
    }
    return true;
}

void COrxIke::BeginStop() {
    Act([](daemon_supervision::Supervisor& s) { return s.BeginServiceStop(); });
    SetEvent(quit_.get());
}

bool COrxIke::WaitDaemonGone(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        uint32_t generation;
        ProcessHandle process;
        {
            orx::ExclusiveGuard guard(stateLock_);
            // A process being created has no handle yet: its creation ends
            // the wait for it (and a stop terminates it at once). An end that
            // is decided is waited for until its effects are carried out.
            auto busy = [this] {
                return machine_.state().phase == Phase::Launching ||
                       (machine_.state().phase == Phase::Idle && effectsUnderWay_ > 0);
            };
            while (busy() && GetTickCount64() < deadline) {
                SleepConditionVariableSRW(&changed_, &stateLock_, static_cast<DWORD>(deadline - GetTickCount64()), 0);
            }
            if (machine_.state().phase == Phase::Idle && effectsUnderWay_ == 0) return true;
            if (machine_.state().phase == Phase::Idle) return false;
            if (machine_.state().phase == Phase::Launching) return false;
            generation = machine_.state().generation;
            process = ProcessOfLocked(generation);
        }
        const ULONGLONG now = GetTickCount64();
        if (!process || now >= deadline) return false;
        if (WaitForSingleObject(process->get(), static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) return false;
        Act([generation](daemon_supervision::Supervisor& s) { return s.ProcessEnded(generation); });
    }
}

void COrxIke::EndedAfterWait(uint32_t generation, const ProcessHandle& process, DWORD timeoutMs) {
    if (process && WaitForSingleObject(process->get(), timeoutMs) == WAIT_OBJECT_0) {
        Act([generation](daemon_supervision::Supervisor& s) { return s.ProcessEnded(generation); });
    }
}

// The end of a daemon is cleared through the supervisor (its ProcessEnded
// closes the channel and restores IKEEXT when we owe it); what is left for a
// direct call is the channel to a daemon that is gone.
bool COrxIke::Clear(uint8_t) {
    bool ours;
    {
        orx::SharedGuard guard(stateLock_);
        ours = machine_.state().phase != Phase::Idle;
    }
    if (!ours) CloseChannelOf(clientChannel_);
    return true;
}

COrxIke::ProcessHandle COrxIke::ProcessOfLocked(uint32_t generation) const {
    return generation == daemonGeneration_ ? daemon_ : nullptr;
}

void COrxIke::Act(const Decide& decide) {
    AcquireSRWLockExclusive(&stateLock_);
    const Actions actions = decide(machine_);
    const ProcessHandle process = ProcessOfLocked(actions.generation);
    // The slot is emptied in the order of decisions; the channel itself is
    // closed outside the lock.
    HANDLE client = actions.closeClient ? clientChannel_.exchange(nullptr) : nullptr;
    if (actions.restoreIkeext) AcquireSRWLockExclusive(&ikeextLock_);
    ++effectsUnderWay_;
    ReleaseSRWLockExclusive(&stateLock_);
    WakeAllConditionVariable(&changed_);
    CarryOut(actions, process, client);
    {
        orx::ExclusiveGuard guard(stateLock_);
        --effectsUnderWay_;
    }
    WakeAllConditionVariable(&changed_);
}

void COrxIke::CarryOut(const Actions& actions, const ProcessHandle& process, HANDLE clientToClose) {
    if (actions.terminate && process && !TerminateProcess(process->get(), 0)) {
        TRACE("<= Stop failed to terminate process with error %d", static_cast<int>(GetLastError()));
    }
    if (actions.setAlive && aliveEvent_ != nullptr && !SetEvent(aliveEvent_)) {
        TRACE("   ReceiveMsg: SetEvent on 0x%08x failed with error 0x%08X", TraceBits(aliveEvent_),
              static_cast<unsigned>(GetLastError()));
    }
    if (actions.logEvent != 0) LogSystemEvent(actions.logEvent, 2, actions.logLevel, actions.logNumber, nullptr);
    if (actions.tellGuiCrashed) onIkeCrashed();
    if (clientToClose != nullptr) IPCUnitialize(clientToClose);
    if (actions.restoreIkeext) {
        SwitchIkeext(1);
        ReleaseSRWLockExclusive(&ikeextLock_);
    }
}

COrxIke::Snapshot COrxIke::Observe() {
    orx::SharedGuard guard(stateLock_);
    const auto& s = machine_.state();
    return {s.reported, s.connected, clientChannel_.load() != nullptr, s.ikeextOurs, s.stopping, ProcessId.load(),
            ImageName};
}
