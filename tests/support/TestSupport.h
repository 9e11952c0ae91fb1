// Test bench helpers shared by every test program: child processes, the
// prefix's registry, the Windows version Wine reports to a program, files.
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// Path of `fileName` beside the running test program (build/bin).
std::string BinPath(const std::string& fileName);

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

// ---- Registry of the prefix ----
bool SetRegBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<uint8_t>& data);
bool DeleteRegTree(HKEY root, const std::string& key);

// Sets one value for the life of the object and puts back what was there
// before (or removes it).
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, std::string key, std::string name);
    ~ScopedRegValue();
    ScopedRegValue(const ScopedRegValue&) = delete;
    ScopedRegValue& operator=(const ScopedRegValue&) = delete;

    bool SetBinary(const std::vector<uint8_t>& data);
    bool SetDword(DWORD value);
    bool SetString(const std::string& value);
    bool Remove();
    bool Is(const std::string& key, const std::string& name) const { return key == key_ && name == name_; }

private:
    HKEY root_;
    std::string key_, name_;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<uint8_t> oldData_;
};

// The App Paths key of the daemon and the product key, under HKEY_LOCAL_MACHINE.
extern const char* const kAppPathsKey;
extern const char* const kProductKey;

// The service's settings as a test finds them: every value the service reads
// under the App Paths key and the product key is removed for the life of the
// object and put back afterwards, as is any other value set through it. A
// test sets only what it needs, and depends on nothing that an earlier run
// (the demo, another test) left in the prefix. The setters write under the
// App Paths key.
class ScopedServiceSettings {
public:
    ScopedServiceSettings();

    bool SetBinary(const std::string& name, const std::vector<uint8_t>& data) { return Value(name).SetBinary(data); }
    bool SetDword(const std::string& name, DWORD value) { return Value(name).SetDword(value); }
    bool SetString(const std::string& name, const std::string& value) { return Value(name).SetString(value); }
    bool Remove(const std::string& name) { return Value(name).Remove(); }

private:
    ScopedRegValue& Value(const std::string& name);
    std::vector<std::unique_ptr<ScopedRegValue>> values_;
};

// Makes Wine report `version` ("win10", "win81", "win7", "vista", "win2k"...)
// to the program named `exeName` for the life of the object.
struct ScopedWineVersion : ScopedRegValue {
    ScopedWineVersion(std::string exeName, const std::string& version)
        : ScopedRegValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exeName, "Version") {
        SetString(version);
    }
};

// Changes an environment variable of this process (children started
// meanwhile inherit it) and puts back its earlier value, or its absence.
class ScopedEnvVar {
public:
    explicit ScopedEnvVar(std::string name);
    ~ScopedEnvVar();
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

    void Set(const std::string& value);  // an empty value removes the variable

private:
    std::string name_;
    bool hadValue_ = false;
    std::string oldValue_;
};

// ---- Files ----
std::string MakeTempDir(const std::string& stem);  // a fresh empty directory
bool RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);  // creates or replaces
std::string TodayDashed();  // YYYY-MM-DD, local time
std::string EnvVar(const std::string& name);

}  // namespace testing_support
