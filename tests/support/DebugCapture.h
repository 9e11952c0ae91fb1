// Captures debugger output (OutputDebugStringA) of this and other processes
// through the DBWIN_BUFFER / DBWIN_BUFFER_READY / DBWIN_DATA_READY protocol.
// Only one capture may exist at a time on a machine (the names are global).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

struct DebugLine {
    DWORD pid;
    std::string text;
};

class DebugOutputCapture {
public:
    DebugOutputCapture();   // starts capturing at once
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    bool active() const { return thread_ != nullptr; }
    std::vector<DebugLine> Lines();
    std::vector<std::string> Texts();               // every captured text
    std::vector<std::string> TextsFrom(DWORD pid);  // of one process
    void Clear();
    // Waits until a captured text contains `needle`.
    bool WaitFor(const std::string& needle, DWORD timeoutMs);
    // Lets texts already written by another thread or process arrive.
    void Settle(DWORD ms = 200);

private:
    static DWORD WINAPI Loop(void* self);
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<DebugLine> lines_;
};

}  // namespace testing_support
