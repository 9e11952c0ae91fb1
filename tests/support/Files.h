// Files and folders of the prefix, and this process's environment.
#pragma once

#include <string>

namespace testing_support {

std::string MakeTempDir(const std::string& stem);  // a fresh empty directory
bool RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);  // creates or replaces
std::string TodayDashed();  // YYYY-MM-DD, local time

std::string EnvVar(const std::string& name);

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

}  // namespace testing_support
