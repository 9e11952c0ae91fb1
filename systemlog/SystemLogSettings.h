// The settings of the system log and the fixed names of its outputs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace systemlog {

// Values under the daemon's App Paths key (HKEY_LOCAL_MACHINE).
constexpr char kOutputValue[] = "SystemLogOutput";        // REG_DWORD bitmask
constexpr char kPortValue[] = "SystemLogSyslogPort";      // REG_DWORD, low 16 bits; 0 = 514
constexpr char kServerValue[] = "SystemLogSyslogServer";  // dotted IPv4 address

// Bits of "SystemLogOutput"; other bits are ignored.
enum : uint32_t { kOutputFiles = 1, kOutputSyslog = 2, kOutputEventLog = 4 };

constexpr char kSystemLogRelativeDir[] = "LogFiles/System";
constexpr char kSystemLogNameStem[] = "ORXSystemLog";
constexpr char kSyslogTag[] = "OrxStarter";

constexpr size_t kSyslogServerSize = 128;  // what GetSyslogServer fills
constexpr size_t kDataDirSize = 256;       // what the system log asks GetLogDataDir for
constexpr size_t kSystemLogDirSize = kDataDirSize + sizeof kSystemLogRelativeDir + 1;

// The data directory joined with "LogFiles/System": a backslash between the
// two unless the data directory is empty or ends with a separator.
void JoinSystemLogDirectory(const char* dataDir, char* out, size_t outSize);

}  // namespace systemlog
