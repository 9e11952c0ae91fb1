#include "tools/reliability/RunFiles.h"

#include "tests/support/TestSupport.h"
#include "tools/reliability/Tally.h"

#include <windows.h>

#include <filesystem>

namespace reliability {

using testing_support::BinPath;
using testing_support::ReadFileBytes;

namespace {

// The system log's day files: YYYY-MM-DD-ORXSystemLog.log.
bool IsDayFile(const std::string& name) {
    static const std::string suffix = "-ORXSystemLog.log";
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string DataDir() { return std::string(kRunRoot) + "\\Service"; }

std::string DaemonDir() { return std::string(kRunRoot) + "\\Daemon"; }

std::string SystemLogText() {
    std::string text;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(DataDir() + "\\LogFiles\\System", error)) {
        if (IsDayFile(entry.path().filename().string())) text += ReadFileBytes(entry.path().string());
    }
    return text;
}

size_t CountSystemLogEvents(uint32_t eventNumber) { return CountOccurrences(SystemLogText(), EventTag(eventNumber)); }

bool InstallDaemonCopy() {
    CreateDirectoryA(kRunRoot, nullptr);
    CreateDirectoryA(DaemonDir().c_str(), nullptr);
    return CopyFileA(BinPath("orxike.exe").c_str(), (DaemonDir() + "\\orxike.exe").c_str(), FALSE) != FALSE;
}

std::string DaemonJournalPath() { return DaemonDir() + "\\orxike-received.log"; }

std::string DaemonJournal() { return ReadFileBytes(DaemonJournalPath()); }

}  // namespace reliability
