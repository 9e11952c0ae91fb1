#include "sysdep/sysdep.h"

#include "sysdep/WinHandles.h"

#include <windows.h>
#include <direct.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kWorkSize = 260;          // each work buffer holds at most 259 characters
constexpr const char kFallbackBase[] = "C:\\ProgramData";

// The all-users data directory, probed by opening it as a file: a directory
// gives "access denied" (errno 13), which is fine; anything else falls back.
void ChooseBaseDirectory(char (&base)[kWorkSize]) {
    base[0] = '\0';
    if (GetOSVersion() < ORX_OS_WIN7) {
        OutputDebugStringA("ORXSYSDEP: Unknown OS version");
    } else {
        char value[kWorkSize] = {};
        const DWORD got = GetEnvironmentVariableA("ALLUSERSPROFILE", value, sizeof value);
        // A value that does not fit the work buffer (got >= size) is treated
        // like a missing one: a cut path would name some other directory.
        if (got > 0 && got < sizeof value) {
            FILE* probe = std::fopen(value, "rb");
            if (probe != nullptr) {
                std::fclose(probe);
                std::strcpy(base, value);
            } else if (errno == EACCES) {
                std::strcpy(base, value);
            } else {
                char line[2 * kWorkSize];
                std::snprintf(line, sizeof line, "ORXSYSDEP: Error %d on opening %s.", errno, value);
                OutputDebugStringA(line);
                std::strcpy(base, kFallbackBase);
            }
        }
    }
    if (base[0] == '\0') std::strcpy(base, kFallbackBase);
}

// "LogPath" with room for one byte past the 260 the value may hold, so that a
// value without its NUL inside 260 bytes is recognised and refused.
bool ReadLogPath(char (&value)[kWorkSize + 2]) {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = kWorkSize + 1;
    if (RegQueryValueExA(key.get(), "LogPath", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    return std::memchr(value, '\0', kWorkSize) != nullptr;
}

// Creates one directory level; an existing directory is fine, a file of
// that name is not.
bool MakeOneLevel(const char* path) { return _mkdir(path) == 0 || (errno == EEXIST && IsExistingDirectory(path)); }

}  // namespace

bool IsExistingDirectory(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SplitLogPath(const char* logPath, char* parent, size_t parentSize, char* leaf, size_t leafSize) {
    const char* slash = std::strrchr(logPath, '\\');
    if (slash == nullptr) return false;
    const size_t parentLen = static_cast<size_t>(slash - logPath);
    if (parentLen >= parentSize || std::strlen(slash + 1) >= leafSize) return false;
    std::memcpy(parent, logPath, parentLen);
    parent[parentLen] = '\0';
    std::strcpy(leaf, slash + 1);
    return true;
}

bool GetLogDataDir(char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return false;

    char base[kWorkSize];
    ChooseBaseDirectory(base);

    char logPath[kWorkSize + 2] = {};
    if (!ReadLogPath(logPath)) return false;

    char parent[kWorkSize] = {};
    char leaf[kWorkSize] = {};
    if (!SplitLogPath(logPath, parent, sizeof parent, leaf, sizeof leaf)) return false;

    std::memset(buffer, 0, size);
    const int parentLen = std::snprintf(buffer, size, "%s\\%s", base, parent);
    if (parentLen < 0 || static_cast<size_t>(parentLen) >= size || !MakeOneLevel(buffer)) return false;

    std::memset(buffer, 0, size);
    const int fullLen = std::snprintf(buffer, size, "%s\\%s\\%s", base, parent, leaf);
    if (fullLen < 0 || static_cast<size_t>(fullLen) >= size) return false;
    return MakeOneLevel(buffer);
}
