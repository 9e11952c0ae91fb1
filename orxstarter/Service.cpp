// The starter service object: its run, its stop and its session record.
#include "orxstarter/Service.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/trace/DebugTrace.h"
#include "sysdep/Locks.h"
#include "systemlog/SystemLogEvents.h"

#include <winsock2.h>

#include <cstdio>

CService theService;

namespace {

constexpr char kServiceName[] = "OrxIke Starter";
constexpr uint32_t kEventServiceStopping = 11;

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
    TRACE("=> CService()\n");
    TRACE("<= CService()\n");
}

// The parts are destroyed after this body, the GUI broker first; an IKE
// watchdog still telling the GUI about a daemon stopped with the service
// must be done before that.
CService::~CService() { ike_.WaitForEndingWatchdog(10000); }

void CService::Run(DWORD, LPSTR*) {
    DebugTraceInit();
    SetIPCDebugTag("INTERPS");
    TRACE("=> CService::Run...\n");
    ReportStatus(SERVICE_START_PENDING, 3000);
    TRACE("   End ReportStatus(SERVICE_START_PENDING)\n");

    ike_.Owner = this;
    ike_.hAliveEvent = CreateEventA(nullptr, TRUE, FALSE, "OrxIkeAlive");
    if (ike_.hAliveEvent == nullptr) {
        TRACE("   CreateEvent(OrxIkeAlive) failed with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    gui_.Owner = this;
    StartWindowsSockets();
    CGui::InitLogsSystem();

    if (OpenChannels()) {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "OrxIkeStop");
        if (event == nullptr) {
            TRACE("   CreateEvent(OrxIkeStop) failed with error 0x%08X", static_cast<unsigned>(GetLastError()));
        }
        {
            orx::ExclusiveGuard guard(stopLock_);
            stopEvent_ = event;
        }
        LoadConfiguration();
        ReportStatus(SERVICE_RUNNING, 3000);
        WaitForStop();
        WaitForStopWork();
        // The daemon's channel closes before stopped is reported, as the GUI
        // broker's do: a service started again while this process ends must
        // not find it still served by the old one.
        CloseChannelOf(ike_.IkeServerChannel);
        ReportStatus(SERVICE_STOPPED, 3000);
        orx::ExclusiveGuard guard(stopLock_);
        if (stopEvent_ != nullptr) CloseHandle(stopEvent_);
        stopEvent_ = nullptr;
    } else {
        CloseChannelOf(ike_.IkeServerChannel);  // the GUI broker's channels could not be opened
    }
    TRACE("<= CService::Run\n");
}

bool CService::OpenChannels() {
    return ike_.InitServer() != nullptr && gui_.InitServer() != nullptr;
}

void CService::WaitForStop() {
    HANDLE event;
    {
        orx::SharedGuard guard(stopLock_);
        event = stopEvent_;
    }
    for (;;) {
        if (WaitForMultipleObjects(1, &event, FALSE, INFINITE) == WAIT_OBJECT_0) return;
        PumpWindowMessages();
        // Without a stop event every wait fails at once: the stop request is
        // then heard through the flag, and the pause keeps the loop from
        // spinning a core meanwhile.
        {
            orx::SharedGuard guard(stopLock_);
            if (stopRequested_) return;
        }
        Sleep(100);
    }
}

void CService::SignalStop() {
    orx::ExclusiveGuard guard(stopLock_);
    stopRequested_ = true;
    if (stopEvent_ != nullptr) SetEvent(stopEvent_);
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
    if (ike_.Connected) ike_.Stop();
    SignalStop();

    TRACE("=> StopGUI");
    unsigned char stopped[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(stopped, VPNCONF_STOPPED);
    IPCSendMsg(gui_.CurrentUiSlot.load(), stopped, sizeof stopped);
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
    if (ike_.Connected) ike_.Stop();
    SignalStop();
    TRACE("<= CService::Shutdown()\n");
    EndStopWork();
}

void CService::SessionChange(DWORD eventType) {
    TRACE("=> SessionChange Session ID %d", static_cast<int>(WTSGetActiveConsoleSessionId()));
    LastSessionEvent.store(eventType);
    CNTService::SessionChange(eventType);  // the event's name
}
