// The starter service object: its run, its stop and its session record.
#include "orxstarter/Service.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/trace/DebugTrace.h"
#include "sysdep/Locks.h"
#include "systemlog/SystemLog.h"
#include "systemlog/SystemLogEvents.h"

#include <winsock2.h>

#include <cstdio>

namespace {

constexpr char kServiceName[] = "OrxIke Starter";
constexpr uint32_t kEventServiceStopping = 11;
// The daemon gets this long to end once terminated; its watchdog's handling
// (the GUI told, IKEEXT restored) is part of it.
constexpr DWORD kDaemonEndWaitMs = 5000;
constexpr DWORD kJoinWaitMs = 10000;

// Takes every window message waiting for this thread (the faceless window's
// end-of-session messages arrive this way).
void PumpWindowMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The system log's syslog output needs Windows Sockets; without them the
// service still runs, with the other outputs.
void StartWindowsSockets() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        std::printf("main: unable to load winsock\n");
        std::fflush(stdout);
        OutputDebugStringW(L"ORXSYSDEP: OrxIkeNg is unable to load winsock");
    }
}

}  // namespace

CService::CService() : CNTService(kServiceName, kServiceName) {
    // The system log is built now, before this object is whole, so that it is
    // destroyed after it: every part's thread has ended by then.
    systemlog::TheSystemLog();
    TRACE("=> CService()\n");
    TRACE("<= CService()\n");
}

CService::~CService() {
    // A service object that never ran (or whose Run was cut short) still
    // ends what its parts started before they go.
    StopParts();
    CloseParts();
    if (aliveEvent_ != nullptr) CloseHandle(aliveEvent_);
}

void CService::Run(DWORD, LPSTR*) {
    DebugTraceInit();
    SetIPCDebugTag("INTERPS");
    TRACE("=> CService::Run...\n");
    ReportStatus(SERVICE_START_PENDING, 3000);
    TRACE("   End ReportStatus(SERVICE_START_PENDING)\n");

    aliveEvent_ = CreateEventA(nullptr, TRUE, FALSE, "OrxIkeAlive");
    if (aliveEvent_ == nullptr) {
        TRACE("   CreateEvent(OrxIkeAlive) failed with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    ike_.Attach(this, aliveEvent_);
    gui_.Attach(this);
    StartWindowsSockets();
    CGui::InitLogsSystem();

    if (OpenChannels()) {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "OrxIkeStop");
        if (event == nullptr) {
            TRACE("   CreateEvent(OrxIkeStop) failed with error 0x%08X", static_cast<unsigned>(GetLastError()));
            event = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // still woken by Stop, unnamed
        }
        {
            orx::ExclusiveGuard guard(stopLock_);
            stopEvent_ = event;
            if (stopRequested_ && event != nullptr) SetEvent(event);  // a console Ctrl+C came first
        }
        LoadConfigurationAtStart();
        ReportStatus(SERVICE_RUNNING, 3000);
        WaitForStop();
        WaitForStopWork();
    }
    // Whatever ended the run, nothing the service started outlives the
    // stopped report: no daemon, no channel served, no thread of the parts.
    StopParts();
    CloseParts();
    ReportStatus(SERVICE_STOPPED, 3000);
    {
        orx::ExclusiveGuard guard(stopLock_);
        if (stopEvent_ != nullptr) CloseHandle(stopEvent_);
        stopEvent_ = nullptr;
    }
    TRACE("<= CService::Run\n");
}

bool CService::OpenChannels() {
    return ike_.InitServer() != nullptr && gui_.InitServer() != nullptr;
}

void CService::LoadConfigurationAtStart() {
    // The pool's timer callback only reports; it is cancelled and waited for
    // before the load's caller goes on.
    struct Ticker {
        static void CALLBACK Tick(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) {
            static_cast<CService*>(context)->ReportStatus(SERVICE_START_PENDING, 3000);
        }
    };
    PTP_TIMER timer = CreateThreadpoolTimer(&Ticker::Tick, this, nullptr);
    if (timer != nullptr) {
        LARGE_INTEGER due;
        due.QuadPart = -20000000LL;  // 2 s, relative
        FILETIME dueTime;
        dueTime.dwLowDateTime = due.LowPart;
        dueTime.dwHighDateTime = static_cast<DWORD>(due.HighPart);
        SetThreadpoolTimer(timer, &dueTime, 2000, 0);
    }
    LoadConfiguration();
    if (timer != nullptr) {
        SetThreadpoolTimer(timer, nullptr, 0, 0);
        WaitForThreadpoolTimerCallbacks(timer, TRUE);
        CloseThreadpoolTimer(timer);
    }
}

void CService::StopParts() {
    ike_.BeginStop();
    gui_.BeginStop();
    if (!ike_.WaitDaemonGone(kDaemonEndWaitMs)) TRACE("   CService: the daemon has not ended in time");
}

void CService::CloseParts() {
    gui_.Stop();
    // The daemon's channel closes before stopped is reported, as the GUI
    // broker's do: a service started again while this process ends must not
    // find it still served by the old one.
    ike_.CloseChannels(kJoinWaitMs);
}

void CService::WaitForStop() {
    HANDLE event;
    {
        orx::SharedGuard guard(stopLock_);
        event = stopEvent_;
    }
    if (event == nullptr) {
        // No event could be made at all: the stop request is heard through
        // the flag.
        AcquireSRWLockExclusive(&stopLock_);
        while (!stopRequested_) SleepConditionVariableSRW(&stopWorkDone_, &stopLock_, INFINITE, 0);
        ReleaseSRWLockExclusive(&stopLock_);
        return;
    }
    while (WaitForMultipleObjects(1, &event, FALSE, INFINITE) != WAIT_OBJECT_0) PumpWindowMessages();
}

void CService::SignalStop() {
    {
        orx::ExclusiveGuard guard(stopLock_);
        stopRequested_ = true;
        if (stopEvent_ != nullptr) SetEvent(stopEvent_);
    }
    WakeAllConditionVariable(&stopWorkDone_);
}

void CService::BeginStopWork() {
    orx::ExclusiveGuard guard(stopLock_);
    ++stopWork_;
}

void CService::EndStopWork() {
    {
        orx::ExclusiveGuard guard(stopLock_);
        --stopWork_;
    }
    WakeAllConditionVariable(&stopWorkDone_);
}

void CService::WaitForStopWork() {
    AcquireSRWLockExclusive(&stopLock_);
    while (stopWork_ > 0) SleepConditionVariableSRW(&stopWorkDone_, &stopLock_, INFINITE, 0);
    ReleaseSRWLockExclusive(&stopLock_);
}

void CService::Stop() {
    BeginStopWork();
    TRACE("=> CService::Stop()\n");
    ReportStatus(SERVICE_STOP_PENDING, 15000);
    // The daemon is ended whether or not it completed its handshake, and
    // nothing launches one again.
    StopParts();
    SignalStop();

    TRACE("=> StopGUI");
    unsigned char stopped[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(stopped, VPNCONF_STOPPED);
    gui_.SendToGui(stopped, sizeof stopped);
    gui_.Stop();
    TRACE("<= StopGUI");

    LogSystemEvent(kEventServiceStopping, 0, 5, 5, nullptr);
    TRACE("<= CService::Stop()\n");
    EndStopWork();
}

void CService::Shutdown() {
    BeginStopWork();
    TRACE("=> CService::Shutdown()\n");
    ReportStatus(SERVICE_STOP_PENDING, 5000);
    StopParts();
    SignalStop();
    TRACE("<= CService::Shutdown()\n");
    EndStopWork();
}

void CService::SessionChange(DWORD eventType) {
    TRACE("=> SessionChange Session ID %d", static_cast<int>(WTSGetActiveConsoleSessionId()));
    LastSessionEvent.store(eventType);
    CNTService::SessionChange(eventType);  // the event's name
}
