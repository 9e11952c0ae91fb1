// CGui's system-log settings: the start and stop of the system log's outputs.
#include "orxstarter/gui/gui.h"

#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "orxstarterlang/OrxStarterLang.h"
#include "systemlog/SystemLog.h"
#include "systemlog/SystemLogEvents.h"
#include "systemlog/SystemLogSettings.h"
#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"

#include <cstring>
#include <filesystem>

using namespace systemlog;

namespace {

// The directory comes from "LogPath", which a GUI may have written.
using Shown = log_text::Escaped<TRACE_MSG_SIZE>;

constexpr size_t kServerReadSize = 261;

// A setting that is missing, or is not a 4-byte number, reads as 0: a value
// of another type is the mark of a broken installer, not a wish, and a
// partial read of it would switch outputs on by accident.
DWORD ReadSettingNumber(const char* name) {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_FILE_NOT_FOUND) return 0;
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
        TRACE("   CGui::InitLogsSystem: %s is not a 32-bit number, ignored\n", name);
        return 0;
    }
    return value;
}

// Creates `path` with every missing level; true when it is a directory on
// return. Levels above the last may fail (a drive root, a share) without harm.
bool CreateDirectoryChain(const char* path) {
    char prefix[kSystemLogDirSize];
    const size_t length = std::strlen(path);
    if (length == 0 || length >= sizeof prefix) return false;
    for (size_t i = 1; i < length; ++i) {
        if (path[i] != '\\' && path[i] != '/') continue;
        std::memcpy(prefix, path, i);
        prefix[i] = '\0';
        CreateDirectoryA(prefix, nullptr);
    }
    return CreateDirectoryA(path, nullptr) || IsExistingDirectory(path);
}

void StartFileOutput() {
    char dataDir[kDataDirSize] = {};
    GetLogDataDir(dataDir, sizeof dataDir);  // on failure the buffer stays usable (empty or partial)
    char directory[kSystemLogDirSize];
    JoinSystemLogDirectory(dataDir, directory, sizeof directory);
    if (!CreateDirectoryChain(directory)) {
        TRACE("   coud not create directory %s\n", Shown(directory).c_str());
    } else {
        try {
            TheSystemLog().EnableFile(directory, kSystemLogNameStem);
        } catch (const std::filesystem::filesystem_error&) {
            // Only if the directory vanished or was replaced since it was made.
            TRACE("   coud not create directory %s\n", Shown(directory).c_str());
        }
    }
    TRACE("   CGui::InitLogsSystem: System logs to file enabled\n");
}

void StartSyslogOutput(DWORD port) {
    char server[kSyslogServerSize];
    if (!CGui::GetSyslogServer(server)) {
        TRACE("   CGui::InitLogsSystem: syslog server address is missing\n");
    } else if (TheSystemLog().EnableSyslog(server, kSyslogTag, static_cast<uint16_t>(port & 0xFFFF))) {
        TRACE("   CGui::InitLogsSystem: System logs to syslog enabled\n");
    } else {
        TRACE("   CGui::InitLogsSystem: System logs could not be initialized\n");
    }
}

void StartEventLogOutput() {
    if (TheSystemLog().EnableEventLog(true)) {
        TRACE("   CGui::InitLogsSystem: System logs to event log enabled\n");
    } else {
        TRACE("   CGui::InitLogsSystem: error to initialize event logs functions\n");
    }
}

}  // namespace

void CGui::InitLogsSystem() {
    TRACE("=> CGui::InitLogsSystem\n");
    const DWORD output = ReadSettingNumber(kOutputValue);
    const DWORD port = ReadSettingNumber(kPortValue);
    TRACE("   CGui::InitLogsSystem Output = %d\n", static_cast<int>(output));

    // In this order: the file output sets the threshold to 6, a working
    // syslog output then to 7.
    if (output & kOutputFiles) StartFileOutput();
    if (output & kOutputSyslog) StartSyslogOutput(port);
    if (output & kOutputEventLog) StartEventLogOutput();

    StarterLang_Init();
    LogSystemEvent(0, 0, kLevelNotice, static_cast<int32_t>(output), nullptr);
    TRACE("<= CGui::InitLogsSystem\n");
}

void CGui::UninitLogsSystem() {
    TRACE("=> CGui::UninitLogsSystem\n");
    TheSystemLog().DisableAll();
    TRACE("<= CGui::UninitLogsSystem\n");
}

// The value is read with room for 260 characters and its NUL, whatever its
// type: its bytes are taken as the text. A server of 128 characters or more
// cannot be a dotted IPv4 address and would not fit the caller's buffer, so
// it is refused whole rather than cut.
bool CGui::GetSyslogServer(char* server) {
    std::memset(server, 0, kSyslogServerSize);
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    char value[kServerReadSize + 1] = {};
    DWORD size = kServerReadSize;
    const LONG status =
        RegQueryValueExA(key.get(), kServerValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return false;
    const size_t length = std::strlen(value);
    if (status == ERROR_MORE_DATA || length >= kSyslogServerSize) {
        TRACE("   CGui::GetSyslogServer: %s is too long for a server address, ignored\n", kServerValue);
        return false;
    }
    std::memcpy(server, value, length + 1);
    return true;
}
