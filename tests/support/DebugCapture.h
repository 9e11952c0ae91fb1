// Captures debugger output (OutputDebugStringA) of this and other processes
// through the DBWIN_BUFFER / DBWIN_BUFFER_READY / DBWIN_DATA_READY protocol.
// Only one capture may exist at a time on a machine (the names are global).
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

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

    bool active() const { return static_cast<bool>(thread_); }
    std::vector<std::string> Texts();               // every captured text
    std::vector<std::string> TextsFrom(DWORD pid);  // of one process
    void Clear();
    // Waits until a captured text contains `needle`.
    bool WaitFor(const std::string& needle, DWORD timeoutMs);
    // Lets texts already written by another thread or process arrive.
    void Settle(DWORD ms = 200) { Sleep(ms); }
    // The messages (after "(file:line) ", without the line feed) of the
    // debug trace lines tagged `tag` ("[VPNSTARTER64]", "[INTERPS") that
    // process `pid` wrote, or only its thread `thread` when that is not 0.
    std::vector<std::string> TraceMessages(const std::string& tag, DWORD pid = GetCurrentProcessId(),
                                           DWORD thread = 0);

private:
    std::vector<std::string> Select(bool anyProcess, DWORD pid);
    static DWORD WINAPI Collect(void* self);
    orx::UniqueHandle mapping_;
    orx::UniqueView view_;
    orx::UniqueHandle bufferReady_;
    orx::UniqueHandle dataReady_;
    orx::UniqueHandle stop_;
    orx::UniqueHandle thread_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::pair<DWORD, std::string>> lines_;  // pid, text
};

}  // namespace testing_support
