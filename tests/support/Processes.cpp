#include "tests/support/Processes.h"

#include "sysdep/Locks.h"
#include "tests/support/Wait.h"

namespace testing_support {

std::string BinPath(const std::string& fileName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.rfind('\\')) + "\\" + fileName;
}

std::string BinDir() {
    std::string dir = BinPath("");
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
    BackgroundProcess process(commandLine);
    ProcessResult result;
    if (process.started() && !process.Wait(timeoutMs, &result.exitCode)) process.Kill();
    result.output = process.Output();
    return result;
}

// Standard output and error go to one inheritable pipe, read on a thread.
BackgroundProcess::BackgroundProcess(const std::string& commandLine, DWORD creationFlags) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    orx::UniqueHandle writeEnd;  // closed here, so the pipe ends when the child's copies close
    if (!CreatePipe(readPipe_.put(), writeEnd.put(), &sa, 0)) return;
    SetHandleInformation(readPipe_.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd.get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string mutableLine = commandLine;
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr, nullptr, &si,
                        &pi)) {
        return;
    }
    process_.reset(pi.hProcess);
    orx::UniqueHandle thread(pi.hThread);
    pid_ = pi.dwProcessId;
    reader_.reset(CreateThread(nullptr, 0, ReadOutput, this, 0, nullptr));
}

DWORD WINAPI BackgroundProcess::ReadOutput(void* self) {
    auto* p = static_cast<BackgroundProcess*>(self);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(p->readPipe_.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
        orx::ExclusiveGuard guard(p->lock_);
        p->output_.append(chunk, got);
    }
    return 0;
}

// A grandchild that inherited the pipe may keep it open: the reader is then
// given up after a while rather than waited for.
BackgroundProcess::~BackgroundProcess() {
    Kill();
    if (reader_) WaitForSingleObject(reader_.get(), 5000);
}

bool BackgroundProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (reader_) WaitForSingleObject(reader_.get(), 5000);  // drain what it printed last
    if (exitCode != nullptr) GetExitCodeProcess(process_.get(), exitCode);
    return true;
}

std::string BackgroundProcess::Output() {
    orx::ExclusiveGuard guard(lock_);
    return output_;
}

bool BackgroundProcess::WaitForOutput(const std::string& text, DWORD timeoutMs) {
    return WaitUntil([&] { return Output().find(text) != std::string::npos; }, timeoutMs);
}

void BackgroundProcess::Kill() {
    if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT) return;
    TerminateProcess(process_.get(), 0xDEAD);
    WaitForSingleObject(process_.get(), 5000);
}

}  // namespace testing_support
