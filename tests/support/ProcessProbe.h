// Looking at other processes: which ones run an image, what one holds
// (handles, private memory), and ending one from outside.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Processes running `imageName`; with `directory`, only those started from it.
std::vector<DWORD> ProcessIdsOf(const char* imageName, const std::string& directory = std::string());
// How many processes run the image `imageName` ("orxike.exe").
int CountProcesses(const char* imageName);

// Handles open in a process (this one by default); 0 when they cannot be read.
DWORD HandleCount(DWORD processId = GetCurrentProcessId());

struct Footprint {
    bool ok = false;  // both figures read (a live process has some of each)
    DWORD handles = 0;
    uint64_t privateBytes = 0;  // PROCESS_MEMORY_COUNTERS_EX::PrivateUsage
};
Footprint ReadFootprint(DWORD processId);

// The threads of a process, from the system's snapshot; 0 when it cannot be taken.
DWORD CountThreads(DWORD processId);

// TerminateProcess, as a crash or a kill from the task manager ends it, then
// waits up to `timeoutMs` for the end. False when it could not be ended.
bool KillProcess(DWORD processId, DWORD timeoutMs = 5000);

bool IsProcessRunning(DWORD processId);

}  // namespace testing_support
