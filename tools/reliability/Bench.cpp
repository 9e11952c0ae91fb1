#include "tools/reliability/Bench.h"

#include "tests/support/ProcessProbe.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/Tally.h"

namespace reliability {

using namespace testing_support;

namespace {

// Daemons launched from the run's folder outlive a service that did not
// stop them (a scenario that gave up half-way): they hold the folder open.
void EndRunDaemons() {
    for (DWORD id : ProcessIdsOf("orxike.exe", DaemonDir())) KillProcess(id);
}

}  // namespace

RunFolder::RunFolder(bool keep) : keep_(keep) {
    EndRunDaemons();
    RemoveTree(kRunRoot);
    RemoveTree(kOwnTraceRoot);
    CreateDirectoryA(kRunRoot, nullptr);
    CreateDirectoryA(DataDir().c_str(), nullptr);
}

RunFolder::~RunFolder() {
    EndRunDaemons();
    if (keep_) return;
    RemoveTree(kRunRoot);
    RemoveTree(kOwnTraceRoot);
}

Bench::Bench(const Setup& setup)
    : appPathsKey_(HKEY_LOCAL_MACHINE, kAppPathsKey), folder_(setup.trace), crashLog_(setup.crashLog) {
    const bool set = settings_.SetString("LogPath", kLogPath) && settings_.SetDword("SystemLogOutput", 1) &&
                     settings_.SetString("Path", DaemonDir()) &&
                     (!setup.trace || settings_.SetBinary("StarterLogFile", {2}));
    if (!set) {
        problem_ = "the service's settings could not be written";
    } else if (!InstallDaemonCopy()) {
        problem_ = "orxike.exe could not be copied into " + DaemonDir();
    } else if (RunProcess("\"" + BinPath("orxstarter.exe") + "\" -i").exitCode != 0) {
        problem_ = "orxstarter.exe -i failed";
    }
}

size_t Bench::CrashLogMark() const { return crashLog_.empty() ? 0 : ReadFileBytes(crashLog_).size(); }

std::string Bench::CrashSince(size_t mark) const {
    return crashLog_.empty() ? std::string() : FirstCrashReport(ReadFileBytes(crashLog_), mark);
}

}  // namespace reliability
