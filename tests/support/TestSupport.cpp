#include "tests/support/TestSupport.h"

#include "sysdep/Locks.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testing_support {

const char* const kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";
const char* const kProductKey = "SOFTWARE\\Quorvane\\Quorvane VPN";

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
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; Output().find(text) == std::string::npos; Sleep(20)) {
        if (GetTickCount64() >= deadline) return false;
    }
    return true;
}

void BackgroundProcess::Kill() {
    if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT) return;
    TerminateProcess(process_.get(), 0xDEAD);
    WaitForSingleObject(process_.get(), 5000);
}

// ---- Registry ----

namespace {

bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    orx::UniqueHKey handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, handle.put(), nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExA(handle.get(), name.empty() ? nullptr : name.c_str(), 0, type,
                          static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
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
    orx::UniqueHKey handle;
    if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, handle.put()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    const char* valueName = name_.empty() ? nullptr : name_.c_str();
    if (RegQueryValueExA(handle.get(), valueName, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        oldData_.resize(size);
        hadValue_ =
            RegQueryValueExA(handle.get(), valueName, nullptr, &oldType_, oldData_.data(), &size) == ERROR_SUCCESS;
    }
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

// Every value the service reads, under the App Paths key and the product key.
ScopedServiceSettings::ScopedServiceSettings() {
    for (const char* name : {"StarterLogFile", "IkeStart", "Path", "NgPath", "IkeV2", "NoAdminPwd", "LogPath",
                             "SystemLogOutput", "SystemLogSyslogPort", "SystemLogSyslogServer"}) {
        Value(name).Remove();
    }
    for (const char* name : {"GuiDefs", "NetParams"}) {
        values_.push_back(std::make_unique<ScopedRegValue>(HKEY_LOCAL_MACHINE, kProductKey, name));
        values_.back()->Remove();
    }
}

ScopedRegValue& ScopedServiceSettings::Value(const std::string& name) {
    for (const auto& value : values_) {
        if (value->Is(kAppPathsKey, name)) return *value;
    }
    values_.push_back(std::make_unique<ScopedRegValue>(HKEY_LOCAL_MACHINE, kAppPathsKey, name));
    return *values_.back();
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

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
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
