// Looking at other processes: which ones run an image, what one holds
// (threads, handles, private memory), and ending one from outside.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Processes running `imageName`; with `directory`, only those started from it.
std::vector<DWORD> ProcessIdsOf(const char* imageName, const std::string& directory = std::string());
// How many processes run the image `imageName` ("orxike.exe").
int CountProcesses(const char* imageName);

// The most processes of one image (from one directory, when given) seen at
// once over the looks taken: a race that starts a second one shows between
// two looks of a wait that takes one at each turn.
class ProcessPeak {
public:
    ProcessPeak(const char* imageName, std::string directory)
        : imageName_(imageName), directory_(std::move(directory)) {}
    int Look();  // the count now, kept in most() when it is the highest
    int most() const { return most_; }

private:
    const char* imageName_;
    std::string directory_;
    int most_ = 0;
};

// Handles open in a process (this one by default); 0 when they cannot be read.
DWORD HandleCount(DWORD processId = GetCurrentProcessId());
// Threads of a process; 0 when they cannot be read.
DWORD ThreadCount(DWORD processId);

struct Footprint {
    bool ok = false;  // both figures read (a live process has some of each)
    DWORD handles = 0;
    uint64_t privateBytes = 0;  // PROCESS_MEMORY_COUNTERS_EX::PrivateUsage
};
Footprint ReadFootprint(DWORD processId);


// TerminateProcess, as a crash or a kill from the task manager ends it, then
// waits up to `timeoutMs` for the end. False when it could not be ended.
bool KillProcess(DWORD processId, DWORD timeoutMs = 5000);

bool IsProcessRunning(DWORD processId);

}  // namespace testing_support
