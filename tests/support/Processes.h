// Programs of the build run from a test: where they are, one run to its end
// with its output, or one left running in the background.
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

#include <string>

namespace testing_support {

// Path of `fileName` beside the running program (build/bin).
std::string BinPath(const std::string& fileName);
// Build/bin without its trailing backslash, as "Path" holds it.
std::string BinDir();

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;  // stays so when the program did not end in time
    std::string output;           // standard output and standard error, merged
};

// Runs a command line with its output captured; kills it on time-out.
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

// A program left running in the background, its output collected on a thread.
class BackgroundProcess {
public:
    // `creationFlags` go to CreateProcessA (e.g. CREATE_NEW_CONSOLE).
    explicit BackgroundProcess(const std::string& commandLine, DWORD creationFlags = 0);
    ~BackgroundProcess();  // kills it if it still runs
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD pid() const { return pid_; }
    // Waits for the end; false on time-out.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    std::string Output();
    // Waits until the output holds `text`.
    bool WaitForOutput(const std::string& text, DWORD timeoutMs);
    void Kill();

private:
    static DWORD WINAPI ReadOutput(void* self);
    orx::UniqueHandle process_;
    orx::UniqueHandle readPipe_;
    orx::UniqueHandle reader_;  // the thread reading the pipe
    DWORD pid_ = 0;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::string output_;
};

}  // namespace testing_support
