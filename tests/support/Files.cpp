#include "tests/support/Files.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testing_support {

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

}  // namespace testing_support
