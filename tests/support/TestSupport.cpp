#include "TestSupport.h"

#include <cstdio>
#include <cstring>

namespace testing_support {

const char* const kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash != nullptr) *slash = '\0';
    return path;
}

std::string BinPath(const std::string& fileName) { return BinDir() + "\\" + fileName; }

namespace {

// Starts a process with standard output and error on one inheritable pipe.
bool StartWithPipe(const std::string& commandLine, DWORD creationFlags, PROCESS_INFORMATION& pi, HANDLE& readEnd) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string mutableLine = commandLine;
    const BOOL ok = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!ok) {
        CloseHandle(readEnd);
        readEnd = nullptr;
    }
    return ok != FALSE;
}

}  // namespace

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs) {
    BackgroundProcess process(commandLine);
    ProcessResult result;
    if (!process.started()) return result;
    result.timedOut = !process.Wait(timeoutMs, &result.exitCode);
    if (result.timedOut) process.Kill();
    result.output = process.Output();
    return result;
}

BackgroundProcess::BackgroundProcess(const std::string& commandLine, DWORD creationFlags) {
    InitializeCriticalSection(&lock_);
    PROCESS_INFORMATION pi{};
    if (!StartWithPipe(commandLine, creationFlags, pi, readPipe_)) return;
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    CloseHandle(pi.hThread);
    reader_ = CreateThread(nullptr, 0, ReaderThread, this, 0, nullptr);
}

BackgroundProcess::~BackgroundProcess() {
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) Kill();
        CloseHandle(process_);
    }
    if (reader_ != nullptr) {
        WaitForSingleObject(reader_, 5000);
        CloseHandle(reader_);
    }
    if (readPipe_ != nullptr) CloseHandle(readPipe_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI BackgroundProcess::ReaderThread(void* self) {
    auto* p = static_cast<BackgroundProcess*>(self);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(p->readPipe_, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        EnterCriticalSection(&p->lock_);
        p->output_.append(chunk, got);
        LeaveCriticalSection(&p->lock_);
    }
    return 0;
}

bool BackgroundProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (reader_ != nullptr) WaitForSingleObject(reader_, 5000);  // drain what it printed last
    if (exitCode != nullptr) GetExitCodeProcess(process_, exitCode);
    return true;
}

std::string BackgroundProcess::Output() {
    EnterCriticalSection(&lock_);
    std::string copy = output_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool BackgroundProcess::WaitForOutput(const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (Output().find(text) == std::string::npos) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

void BackgroundProcess::Kill() {
    if (process_ == nullptr) return;
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

bool SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    return SetValue(root, key, name, REG_DWORD, &value, sizeof value);
}

bool SetRegString(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    return SetValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool DeleteRegValue(HKEY root, const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return true;
    const LONG rc = RegDeleteValueA(handle, name.empty() ? nullptr : name.c_str());
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(HKEY root, const std::string& key) {
    const LONG rc = RegDeleteTreeA(root, key.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    RegDeleteKeyA(root, key.c_str());
    return true;
}

bool RegKeyExists(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
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
        DeleteRegValue(root_, key_, name_);
    }
}

bool ScopedRegValue::SetBinary(const std::vector<uint8_t>& data) { return SetRegBinary(root_, key_, name_, data); }
bool ScopedRegValue::SetDword(DWORD value) { return SetRegDword(root_, key_, name_, value); }
bool ScopedRegValue::SetString(const std::string& value) { return SetRegString(root_, key_, name_, value); }
bool ScopedRegValue::Remove() { return DeleteRegValue(root_, key_, name_); }

ScopedWineVersion::ScopedWineVersion(std::string exeName, const std::string& version)
    : key_("Software\\Wine\\AppDefaults\\" + exeName) {
    SetRegString(HKEY_CURRENT_USER, key_, "Version", version);
}

ScopedWineVersion::~ScopedWineVersion() { DeleteRegTree(HKEY_CURRENT_USER, key_); }

ScopedEnvVar::ScopedEnvVar(std::string name) : name_(std::move(name)) {
    const DWORD needed = GetEnvironmentVariableA(name_.c_str(), nullptr, 0);
    if (needed == 0) return;
    std::string value(needed, '\0');
    const DWORD got = GetEnvironmentVariableA(name_.c_str(), value.data(), needed);
    value.resize(got);
    hadValue_ = true;
    oldValue_ = value;
}

ScopedEnvVar::~ScopedEnvVar() { SetEnvironmentVariableA(name_.c_str(), hadValue_ ? oldValue_.c_str() : nullptr); }

void ScopedEnvVar::Set(const std::string& value) { SetEnvironmentVariableA(name_.c_str(), value.c_str()); }
void ScopedEnvVar::Remove() { SetEnvironmentVariableA(name_.c_str(), nullptr); }

// ---- Files ----

std::string MakeTempDir(const std::string& stem) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    std::string dir = std::string(base) + "orxtest-" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount64());
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    return RemoveDirectoryA(path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool FileExists(const std::string& path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path) {
    std::string data;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return data;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.append(chunk, got);
    std::fclose(file);
    return data;
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
