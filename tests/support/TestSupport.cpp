#include "tests/support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testing_support {

const char* const kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";

std::string BinPath(const std::string& fileName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.rfind('\\')) + "\\" + fileName;
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
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readPipe_, &writeEnd, &sa, 0)) return;
    SetHandleInformation(readPipe_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string mutableLine = commandLine;
    const BOOL ok = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr,
                                   nullptr, &si, &pi);
    CloseHandle(writeEnd);  // the pipe then ends when the child's copies close
    if (!ok) return;
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    CloseHandle(pi.hThread);
    reader_ = CreateThread(nullptr, 0, [](void* self) -> DWORD {
        auto* p = static_cast<BackgroundProcess*>(self);
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(p->readPipe_, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            std::lock_guard<std::mutex> hold(p->lock_);
            p->output_.append(chunk, got);
        }
        return 0;
    }, this, 0, nullptr);
}

// A grandchild that inherited the pipe may keep it open: the reader is then
// given up after a while rather than waited for.
BackgroundProcess::~BackgroundProcess() {
    if (process_ != nullptr) {
        Kill();
        CloseHandle(process_);
    }
    if (reader_ != nullptr) {
        WaitForSingleObject(reader_, 5000);
        CloseHandle(reader_);
    }
    if (readPipe_ != nullptr) CloseHandle(readPipe_);
}

bool BackgroundProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (reader_ != nullptr) WaitForSingleObject(reader_, 5000);  // drain what it printed last
    if (exitCode != nullptr) GetExitCodeProcess(process_, exitCode);
    return true;
}

std::string BackgroundProcess::Output() {
    std::lock_guard<std::mutex> hold(lock_);
    return output_;
}

bool BackgroundProcess::WaitForOutput(const std::string& text, DWORD timeoutMs) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; Output().find(text) == std::string::npos; Sleep(20)) {
        if (GetTickCount64() >= deadline) return false;
    }
    return true;
}

void BackgroundProcess::Kill() {
    if (process_ == nullptr || WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) return;
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 5000);
}

// ---- Registry ----

namespace {

bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(handle, name.empty() ? nullptr : name.c_str(), 0, type,
                                   static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

}  // namespace

bool SetRegBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<uint8_t>& data) {
    return SetValue(root, key, name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
}

bool DeleteRegTree(HKEY root, const std::string& key) {
    const LONG rc = RegDeleteTreeA(root, key.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    RegDeleteKeyA(root, key.c_str());
    return true;
}

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
    DWORD size = 0;
    const char* valueName = name_.empty() ? nullptr : name_.c_str();
    if (RegQueryValueExA(handle, valueName, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        oldData_.resize(size);
        hadValue_ = RegQueryValueExA(handle, valueName, nullptr, &oldType_, oldData_.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(handle);
}

ScopedRegValue::~ScopedRegValue() {
    if (hadValue_) {
        SetValue(root_, key_, name_, oldType_, oldData_.data(), static_cast<DWORD>(oldData_.size()));
    } else {
        Remove();
    }
}

bool ScopedRegValue::SetBinary(const std::vector<uint8_t>& data) { return SetRegBinary(root_, key_, name_, data); }
bool ScopedRegValue::SetDword(DWORD value) { return SetValue(root_, key_, name_, REG_DWORD, &value, sizeof value); }
bool ScopedRegValue::SetString(const std::string& value) {
    return SetValue(root_, key_, name_, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool ScopedRegValue::Remove() {
    const LONG rc = RegDeleteKeyValueA(root_, key_.c_str(), name_.empty() ? nullptr : name_.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

ScopedEnvVar::ScopedEnvVar(std::string name) : name_(std::move(name)) {
    // The size asked for counts the NUL, so an empty value still reads as present.
    const DWORD needed = GetEnvironmentVariableA(name_.c_str(), nullptr, 0);
    hadValue_ = needed > 0;
    oldValue_.resize(needed);
    oldValue_.resize(GetEnvironmentVariableA(name_.c_str(), oldValue_.data(), needed));
}

ScopedEnvVar::~ScopedEnvVar() { SetEnvironmentVariableA(name_.c_str(), hadValue_ ? oldValue_.c_str() : nullptr); }

void ScopedEnvVar::Set(const std::string& value) {
    SetEnvironmentVariableA(name_.c_str(), value.empty() ? nullptr : value.c_str());
}

// ---- Files ----

std::string MakeTempDir(const std::string& stem) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    const std::string dir = std::string(base) + "orxtest-" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount64());
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool RemoveTree(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !error;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool DirExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string TodayDashed() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    return text;
}

std::string EnvVar(const std::string& name) {
    char value[1024] = {};
    const DWORD got = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return got > 0 && got < sizeof value ? std::string(value) : std::string();
}

}  // namespace testing_support
