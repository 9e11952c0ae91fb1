// The starter service object: its run, its stop and its session record.
#include "orxstarter/Service.h"

#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLogEvents.h"
#include "orxstarter/gui/gui.h"

#include <winsock2.h>

#include <cstdio>

std::atomic<DWORD> LastSessionEvent{0};

CService theService;

namespace {

constexpr char kServiceName[] = "OrxIke Starter";

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

CService::~CService() = default;

void CService::Run(DWORD, LPSTR*) {
    DebugTraceInit();
    SetIPCDebugTag("INTERPS");
    TRACE("=> CService::Run...\n");
    ReportStatus(SERVICE_START_PENDING, 3000);
    TRACE("   End ReportStatus(SERVICE_START_PENDING)\n");

    // To come: prepare the IKE supervisor (Owner, "OrxIkeAlive") and the GUI broker (Owner).
    StartWindowsSockets();
    CGui::InitLogsSystem();
    // To come: open the IKE and GUI server channels here; on failure skip to the
    //       closing trace line without reporting running.

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "OrxIkeStop");
    if (event == nullptr) {
        TRACE("   CreateEvent(OrxIkeStop) failed with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    {
        std::lock_guard<std::mutex> guard(stopEventLock_);
        stopEvent_ = event;
    }

    // To come: LoadConfiguration() here.

    ReportStatus(SERVICE_RUNNING, 3000);
    WaitForStop();
    ReportStatus(SERVICE_STOPPED, 3000);
    {
        std::lock_guard<std::mutex> guard(stopEventLock_);
        if (stopEvent_ != nullptr) CloseHandle(stopEvent_);
        stopEvent_ = nullptr;
    }
    TRACE("<= CService::Run\n");
}

void CService::WaitForStop() {
    HANDLE event;
    {
        std::lock_guard<std::mutex> guard(stopEventLock_);
        event = stopEvent_;
    }
    for (;;) {
        if (WaitForMultipleObjects(1, &event, FALSE, INFINITE) == WAIT_OBJECT_0) return;
        PumpWindowMessages();
        // Without a stop event every wait fails at once: the stop request is
        // then heard through the flag, and the pause keeps the loop from
        // spinning a core meanwhile.
        if (stopRequested_.load()) return;
        Sleep(100);
    }
}

void CService::SignalStop() {
    stopRequested_.store(true);
    std::lock_guard<std::mutex> guard(stopEventLock_);
    if (stopEvent_ != nullptr) SetEvent(stopEvent_);
}

void CService::Stop() {
    TRACE("=> CService::Stop()\n");
    ReportStatus(SERVICE_STOP_PENDING, 15000);
    // To come: stop the IKE supervisor here when it is Connected.
    SignalStop();
    // To come: "=> StopGUI", VPNCONF_STOPPED to the current GUI, the GUI broker's
    //       Stop, "<= StopGUI".
    LogSystemEvent(11, 0, 5, 5, nullptr);  // the service is stopping
    TRACE("<= CService::Stop()\n");
}

void CService::Shutdown() {
    TRACE("=> CService::Shutdown()\n");
    ReportStatus(SERVICE_STOP_PENDING, 5000);
    // To come: stop the IKE supervisor here when it is Connected.
    SignalStop();
    TRACE("<= CService::Shutdown()\n");
}

void CService::SessionChange(DWORD eventType) {
    TRACE("=> SessionChange Session ID %d", static_cast<int>(WTSGetActiveConsoleSessionId()));
    LastSessionEvent.store(eventType);
    CNTService::SessionChange(eventType);  // the event's name
}
