// What depends on the Windows release and the machine's layout.
#pragma once

#include <cstddef>
#include <cstdint>

// OS version codes; they grow with the release, so callers compare them.
enum : uint32_t {
    ORX_OS_UNSUPPORTED = 0,
    ORX_OS_VISTA = 8,
    ORX_OS_WIN7 = 9,
    ORX_OS_WIN8 = 10,
    ORX_OS_WIN81 = 11,
    ORX_OS_WIN10 = 12,
};

// The App Paths key of the IKE daemon: home of every setting of the service.
#define ORX_APP_PATHS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe"

struct OsVersionRow {
    unsigned major;
    unsigned minor;
    const char* name;
    uint32_t code;
};

// First table row matching major.minor, or the "Unsupported OS" row.
const OsVersionRow& LookupOsVersion(unsigned major, unsigned minor);
const OsVersionRow& UnsupportedOsVersion();

// Asks the system afresh on each call and reports the answer on the debugger output.
uint32_t GetOSVersion();

// Finds and creates the log data directory (base\LogPath). Returns true when it
// exists on return. On a failure before the directories are formed, `buffer`
// is left as the caller had it.
bool GetLogDataDir(char* buffer, size_t size);

// True when `path` names an existing directory (a file of that name is not one).
bool IsExistingDirectory(const char* path);

// Pure part of GetLogDataDir: splits "LogPath" at its last backslash.
// False when there is no backslash.
bool SplitLogPath(const char* logPath, char* parent, size_t parentSize, char* leaf, size_t leafSize);
