#include "orxstarter/trace/DebugTrace.h"

#include "sysdep/Locks.h"
#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"

#include <share.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kServiceTag[] = "[VPNSTARTER64]";

// The service channel: flags and path are set once by DebugTraceInit before
// any other thread of the run exists; afterwards only the flags change (GUI
// debug on/off), as one aligned word.
std::atomic<uint32_t> g_serviceFlags{0};
char g_servicePath[TRACE_PATH_SIZE] = {};

// The IPC channel is rebuilt by whichever thread starts an IPC operation while
// other threads write lines, so flags and path change together under a
// reader/writer lock; writers of lines only copy them out under the shared lock.
SRWLOCK g_ipcLock = SRWLOCK_INIT;
std::atomic<uint32_t> g_ipcFlags{0};
char g_ipcPath[TRACE_PATH_SIZE] = {};
// One byte more than the settable 9 characters: the initial tag has 10.
char g_ipcTag[IPC_DEBUG_TAG_SIZE + 1] = "INTERPS   ";

// wvsprintfA writes at most 1024 bytes, whatever the buffer: format into room
// for that, then keep what fits the 512-byte message.
void FormatMessageText(const char* format, va_list args, char (&message)[TRACE_MSG_SIZE]) {
    char wide[1025];
    wvsprintfA(wide, format, args);
    wide[sizeof wide - 1] = '\0';
    std::strncpy(message, wide, sizeof message - 1);
    message[sizeof message - 1] = '\0';
}

void AppendToFile(const char* path, const char* line) {
    // No sharing while open: a concurrent writer's open fails and its line is
    // lost from the file, never interleaved into this one.
    FILE* file = _fsopen(path, "a+", _SH_DENYRW);
    if (file == nullptr) return;
    std::fputs(line, file);
    std::fclose(file);
}

void WriteLine(trace_format::Channel channel, uint32_t flags, const char* path, const char* tag,
               const char* sourceFile, int line, const char* format, va_list args) {
    char message[TRACE_MSG_SIZE];
    FormatMessageText(format, args, message);

    char timestamp[26] = "";
    if (flags & TRACE_TO_FILE) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        trace_format::Timestamp(now, channel == trace_format::Channel::Ipc, timestamp, sizeof timestamp);
    }

    char text[TRACE_LINE_SIZE];
    trace_format::ComposeLine(channel, timestamp, tag, GetCurrentThreadId(), sourceFile, line, message, text,
                              sizeof text);
    if (flags & TRACE_TO_DEBUGGER) OutputDebugStringA(text);
    if (flags & TRACE_TO_FILE) AppendToFile(path, text);
}

// Reads "StarterLogFile" as `channel` does; false when the key or the value
// is missing or the channel cannot read a value of its size.
bool ReadStarterLogFile(trace_format::Channel channel, uint32_t& flags) {
    flags = 0;
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    unsigned char data[16] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), "StarterLogFile", nullptr, nullptr, data, &size) != ERROR_SUCCESS) return false;
    return trace_format::FlagsFromRegistryBytes(channel, data, size, flags);
}

void TodaysFileName(char* out, size_t outSize) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    trace_format::TraceFileName(now, name, sizeof name);
    std::snprintf(out, outSize, "LogFiles\\%s", name);
}

// Data directory + "\LogFiles\<date>-vpnstarterdbg.log". A data directory
// that could not be found leaves the empty text, so the path then names a
// file at the root of the drive, as it always did; the trace never creates
// LogFiles itself, so that file is written only where LogFiles exists.
void BuildTracePath(char (&path)[TRACE_PATH_SIZE], bool announceDirectory) {
    std::memset(path, 0, sizeof path);
    GetLogDataDir(path, sizeof path);
    if (announceDirectory) OutputDebugStringA(path);
    char relative[64];
    TodaysFileName(relative, sizeof relative);
    const size_t used = std::strlen(path);
    std::snprintf(path + used, sizeof path - used, "\\%s", relative);
}

}  // namespace

void DebugTrace(const char* sourceFile, int line, const char* format, ...) {
    const uint32_t flags = g_serviceFlags.load(std::memory_order_relaxed);
    if (flags == 0) return;
    va_list args;
    va_start(args, format);
    WriteLine(trace_format::Channel::Service, flags, g_servicePath, kServiceTag, sourceFile, line, format, args);
    va_end(args);
}

void IPCDebugTrace(const char* sourceFile, int line, const char* format, ...) {
    if (g_ipcFlags.load(std::memory_order_relaxed) == 0) return;
    char path[TRACE_PATH_SIZE];
    uint32_t flags;
    {
        orx::SharedGuard guard(g_ipcLock);
        flags = g_ipcFlags.load(std::memory_order_relaxed);
        std::memcpy(path, g_ipcPath, sizeof path);
    }
    if (flags == 0) return;

    va_list args;
    va_start(args, format);
    WriteLine(trace_format::Channel::Ipc, flags, path, g_ipcTag, sourceFile, line, format, args);
    va_end(args);
}

void DebugTraceInit() {
    uint32_t flags = 0;
    ReadStarterLogFile(trace_format::Channel::Service, flags);
    g_serviceFlags.store(0);
    // Rebuilt from nothing: with the trace off there is no file, even after
    // a later debug-on request.
    std::memset(g_servicePath, 0, sizeof g_servicePath);
    if (flags != 0) BuildTracePath(g_servicePath, true);
    g_serviceFlags.store(flags);
}

namespace {

// Every IPC operation asks for the IPC channel's settings. Rebuilding them
// means a registry read and a walk over the data directory, which would
// dominate a message's cost; instead they are rebuilt only when the App Paths
// key changed or the day did, which is all a user can observe.
//
// The key's change notification signals an event. Asking the kernel whether
// it is set is a round trip to the server under Wine, as costly as half a
// message, so an operation asks at most once every kNotificationCheckMs and
// otherwise reads the tick count, which costs no kernel call. Nothing waits
// for the event: an idle process runs nothing for it (a thread-pool wait
// kept a pool thread waking every 5 s under Wine). A change is seen from the
// first operation that starts kNotificationCheckMs after the last look.
constexpr ULONGLONG kNotificationCheckMs = 100;

struct IpcSettingsCache {
    SRWLOCK lock = SRWLOCK_INIT;
    orx::UniqueHKey watchedKey;
    orx::UniqueHandle changed{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<ULONGLONG> nextLook{0};  // tick count from which `changed` is looked at again
    std::atomic<bool> stale{true};       // `changed` was seen set
    bool valid = false;
    bool result = false;
    WORD year = 0, month = 0, day = 0;
};

// Never destroyed: channels are still closed while static objects are.
IpcSettingsCache& Cache() {
    static IpcSettingsCache* cache = new IpcSettingsCache;
    return *cache;
}

// Whether the key has changed since it was armed, looking at the kernel at
// most once every kNotificationCheckMs; once seen, the change stays seen
// until the next rebuild. Under the shared lock: only atomics change.
bool ChangeSeen(IpcSettingsCache& cache) {
    if (cache.stale.load(std::memory_order_acquire)) return true;
    const ULONGLONG now = GetTickCount64();
    if (now < cache.nextLook.load(std::memory_order_relaxed)) return false;
    cache.nextLook.store(now + kNotificationCheckMs, std::memory_order_relaxed);
    if (WaitForSingleObject(cache.changed.get(), 0) != WAIT_OBJECT_0) return false;
    cache.stale.store(true, std::memory_order_release);
    return true;
}

bool StillCurrent(IpcSettingsCache& cache, const SYSTEMTIME& today) {
    return cache.valid && cache.day == today.wDay && cache.month == today.wMonth && cache.year == today.wYear &&
           !ChangeSeen(cache);
}

// Arms a one-shot notification on the App Paths key before it is read, so a
// change made during the read is not missed.
void WatchAppPathsKey(IpcSettingsCache& cache) {
    cache.valid = false;
    cache.stale.store(false);
    cache.watchedKey.reset();
    if (!cache.changed) return;
    ResetEvent(cache.changed.get());
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_NOTIFY, cache.watchedKey.put()) != ERROR_SUCCESS)
        return;
    constexpr DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    constexpr DWORD kThreadAgnostic = 0x10000000;  // REG_NOTIFY_THREAD_AGNOSTIC, Windows 8 and later
    // Without thread agnosticism the notification ends with the thread that
    // armed it and signals the event: that costs one extra rebuild, no more.
    LONG rc = RegNotifyChangeKeyValue(cache.watchedKey.get(), FALSE, kFilter | kThreadAgnostic, cache.changed.get(), TRUE);
    if (rc != ERROR_SUCCESS) rc = RegNotifyChangeKeyValue(cache.watchedKey.get(), FALSE, kFilter, cache.changed.get(), TRUE);
    cache.valid = rc == ERROR_SUCCESS;
}

}  // namespace

bool IPCDebugTraceInit() {
    IpcSettingsCache& cache = Cache();
    SYSTEMTIME today;
    GetLocalTime(&today);

    {
        orx::SharedGuard guard(cache.lock);
        if (StillCurrent(cache, today)) return cache.result;
    }

    orx::ExclusiveGuard guard(cache.lock);
    if (StillCurrent(cache, today)) return cache.result;
    WatchAppPathsKey(cache);

    uint32_t flags = 0;
    char path[TRACE_PATH_SIZE] = {};
    const bool found = ReadStarterLogFile(trace_format::Channel::Ipc, flags);
    if (found) BuildTracePath(path, false);
    {
        orx::ExclusiveGuard pathGuard(g_ipcLock);
        std::memcpy(g_ipcPath, path, sizeof path);
        g_ipcFlags.store(flags);
    }
    cache.result = found;
    cache.year = today.wYear;
    cache.month = today.wMonth;
    cache.day = today.wDay;
    return found;
}

void SetDebugTraceFlags(uint32_t flags) { g_serviceFlags.store(flags); }
uint32_t GetDebugTraceFlags() { return g_serviceFlags.load(); }
uint32_t GetIPCDebugTraceFlags() { return g_ipcFlags.load(); }

void SetIPCDebugTag(const char* tag) {
    // Set once at the start of the run, before any channel exists.
    std::memset(g_ipcTag, 0, sizeof g_ipcTag);
    if (tag != nullptr) std::strncpy(g_ipcTag, tag, IPC_DEBUG_TAG_SIZE - 1);
}

const char* GetIPCDebugTag() { return g_ipcTag; }
