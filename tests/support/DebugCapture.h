// Captures debugger output (OutputDebugStringA) of this and other processes
// through the DBWIN_BUFFER / DBWIN_BUFFER_READY / DBWIN_DATA_READY protocol.
// Only one capture may exist at a time on a machine (the names are global).
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class DebugOutputCapture {
public:
    DebugOutputCapture();   // starts capturing at once
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    bool active() const { return thread_ != nullptr; }
    std::vector<std::string> Texts();               // every captured text
    std::vector<std::string> TextsFrom(DWORD pid);  // of one process
    void Clear();
    // Waits until a captured text contains `needle`.
    bool WaitFor(const std::string& needle, DWORD timeoutMs);
    // Lets texts already written by another thread or process arrive.
    void Settle(DWORD ms = 200) { Sleep(ms); }

private:
    std::vector<std::string> Select(bool anyProcess, DWORD pid);
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    std::mutex lock_;
    std::vector<std::pair<DWORD, std::string>> lines_;  // pid, text
};

}  // namespace testing_support
