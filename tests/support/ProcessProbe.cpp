#include "tests/support/ProcessProbe.h"

#include "sysdep/WinHandles.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

namespace testing_support {

namespace {

bool StartedFrom(DWORD processId, const std::string& directory) {
    orx::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (!process || !QueryFullProcessImageNameA(process.get(), 0, path, &size)) return false;
    const std::string image(path, size);
    return image.size() > directory.size() && image[directory.size()] == '\\' &&
           _strnicmp(image.c_str(), directory.c_str(), directory.size()) == 0;
}

}  // namespace

std::vector<DWORD> ProcessIdsOf(const char* imageName, const std::string& directory) {
    std::vector<DWORD> ids;
    orx::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, imageName) != 0) continue;
        if (directory.empty() || StartedFrom(entry.th32ProcessID, directory)) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

int CountProcesses(const char* imageName) { return static_cast<int>(ProcessIdsOf(imageName).size()); }

int ProcessPeak::Look() {
    const int now = static_cast<int>(ProcessIdsOf(imageName_, directory_).size());
    if (now > most_) most_ = now;
    return now;
}

// The system's threads, each with the process that owns it.
DWORD ThreadCount(DWORD processId) {
    orx::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
        count += entry.th32OwnerProcessID == processId;
    }
    return count;
}

namespace {

// The system's handle table (NtQuerySystemInformation, extended class 64):
// one entry per open handle of every process. SYSTEM_HANDLE_INFORMATION_EX
// on x64: a count and a reserved word, then entries of five words, the
// second of which is the owning process.
DWORD CountHandlesInSystemTable(DWORD processId) {
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QuerySystemInformation>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (query == nullptr) return 0;
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<ULONG_PTR> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kExtendedHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size() * sizeof buffer[0]), &needed)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    DWORD count = 0;
    for (ULONG_PTR i = 0; status == 0 && i < buffer[0]; ++i) count += buffer[2 + i * 5 + 1] == processId;
    return count;
}

}  // namespace

// Wine answers GetProcessHandleCount with 0: the system's handle table says
// the same. This process is asked through its pseudo handle, so that the
// count is not one of its own.
DWORD HandleCount(DWORD processId) {
    const bool self = processId == GetCurrentProcessId();
    orx::UniqueHandle opened(self ? nullptr : OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    const HANDLE process = self ? GetCurrentProcess() : opened.get();
    DWORD handles = 0;
    if (process != nullptr && GetProcessHandleCount(process, &handles) && handles != 0) return handles;
    return CountHandlesInSystemTable(processId);
}

// Wine fills only PagefileUsage, which says the same (on Windows
// PagefileUsage is the commit charge, which is what PrivateUsage reports).
Footprint ReadFootprint(DWORD processId) {
    Footprint footprint;
    orx::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return footprint;
    const DWORD handles = HandleCount(processId);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        return footprint;
    }
    footprint.handles = handles;
    footprint.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    footprint.ok = footprint.handles != 0 && footprint.privateBytes != 0;
    return footprint;
}

bool KillProcess(DWORD processId, DWORD timeoutMs) {
    orx::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    return process && TerminateProcess(process.get(), 0xDEAD) &&
           WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool IsProcessRunning(DWORD processId) {
    orx::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace testing_support
