// Launching, stopping and clearing the IKE daemon.
#include "orxstarter/ike/orxike.h"

#include "common/orxinterps/src/interps.h"
#include "orxstarter/ike/IkeRegistry.h"
#include "orxstarter/trace/DebugTrace.h"

#include <cstdio>

namespace {

constexpr char kIkeV1Image[] = "orxike.exe";
constexpr char kIkeV2Image[] = "orxikeng.exe";
constexpr DWORD kAliveWaitMs = 30000;
constexpr DWORD kStopWaitMs = 2000;

void TraceAliveWait(DWORD result) {
    switch (result) {
    case WAIT_OBJECT_0: TRACE("   WaitForSingleObject return WAIT_OBJECT_0"); break;
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

}  // namespace

COrxIke::COrxIke() {
    const char* image = IsIkeV2() ? kIkeV2Image : kIkeV1Image;
    std::snprintf(ImageName, sizeof ImageName, "%s", image);
}

COrxIke::~COrxIke() = default;

bool COrxIke::IsIkeV2() {
    DWORD value = 0;
    return ike_registry::ReadDword("IkeV2", &value) && value == 1;
}

std::shared_ptr<orx::UniqueHandle> COrxIke::CurrentDaemon() {
    orx::SharedGuard guard(daemonLock_);
    return daemon_;
}

bool COrxIke::Run() {
    orx::ExclusiveGuard launch(launchLock_);
    TRACE("=> RunOrxIke");

    // Every setting is read before IKEEXT is touched: a launch refused for
    // its settings leaves the system's IKE service alone.
    char directory[ike_registry::kPathSize] = {};
    if (ReadDirectory("Path", directory) != ike_registry::ReadResult::Ok) {
        TRACE("<= RunOrxIke: FALSE");
        return false;
    }
    const bool ikeV2 = IsIkeV2();
    char ngDirectory[ike_registry::kPathSize] = {};
    const auto ngRead = ikeV2 ? ReadDirectory("NgPath", ngDirectory) : ike_registry::ReadResult::Missing;
    if (ngRead == ike_registry::ReadResult::TooLong) {
        TRACE("<= RunOrxIke: FALSE");
        return false;
    }
    const char* image = ikeV2 ? kIkeV2Image : kIkeV1Image;
    const char* daemonDir = ngRead == ike_registry::ReadResult::Ok ? ngDirectory : directory;
    char executable[ike_registry::kPathSize];
    const int length = std::snprintf(executable, sizeof executable, "%s\\%s", daemonDir, image);
    if (length < 0 || static_cast<size_t>(length) >= sizeof executable) {
        TRACE("   RunOrxIke: the daemon's path is 260 characters or more, refused");
        TRACE("<= RunOrxIke: FALSE");
        return false;
    }

    IkeextStopped = false;
    HandleIkeext(0);
    if (ngRead == ike_registry::ReadResult::Ok) TRACE("   OrxIkeNg path = %s", ngDirectory);

    std::snprintf(ImageName, sizeof ImageName, "%s", image);
    TRACE("   RunOrxIke: CreateProcess for %s", executable);
    if (hAliveEvent != nullptr) ResetEvent(hAliveEvent);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION created = {};
    if (!CreateProcessA(executable, nullptr, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, daemonDir,
                        &startup, &created)) {
        TRACE("<= RunOrxIke: CreateProcess failed");
        // The user's own IKE service must not stay disabled because our
        // daemon could not start.
        HandleIkeext(1);
        return false;
    }
    TRACE("   Process %s created", executable);
    orx::UniqueHandle thread(created.hThread);
    ProcessId = created.dwProcessId;
    auto process = std::make_shared<orx::UniqueHandle>(created.hProcess);
    {
        orx::ExclusiveGuard guard(daemonLock_);
        daemon_ = process;
    }

    StopRequested = false;
    StartWatchdog(process);

    const DWORD waited = hAliveEvent != nullptr ? WaitForSingleObject(hAliveEvent, kAliveWaitMs) : WAIT_FAILED;
    TraceAliveWait(waited);
    if (waited == WAIT_OBJECT_0) Connected = true;
    TRACE("<= RunOrxIke: CreateProcess success");
    return true;
}

void COrxIke::WaitForEndingWatchdog(DWORD timeoutMs) {
    const auto process = CurrentDaemon();
    if (process && *process && WaitForSingleObject(process->get(), 0) == WAIT_TIMEOUT) return;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (WatchdogThread.load() != nullptr && GetTickCount64() < deadline) Sleep(20);
}

bool COrxIke::Stop() {
    TRACE("=> Stop");
    const auto process = CurrentDaemon();
    HANDLE handle = process ? process->get() : nullptr;
    if (handle == nullptr) {
        TRACE("<= Stop : invalid HANDLE");
        SetLastError(ERROR_INVALID_HANDLE);
    }
    if (handle == nullptr || !TerminateProcess(handle, 0)) {
        TRACE("<= Stop failed to terminate process with error %d", static_cast<int>(GetLastError()));
        return false;
    }
    TraceStopWait(WaitForSingleObject(handle, kStopWaitMs));
    TRACE("<= StopOrxIke: Ret = %d", 1);
    HandleIkeext(1);
    return true;
}

bool COrxIke::Clear(uint8_t) {
    CloseChannelOf(IkeChannel);
    Connected = false;
    HandleIkeext(1);
    State = ORX_TERMINATED_STATE;
    return true;
}
