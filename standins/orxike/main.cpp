// Stand-in of the VPN client's IKE daemon (orxike.exe, and orxikeng.exe from
// the same sources). The service starts it hidden, without arguments, from
// its own directory; it answers the service's handshake and then journals
// every message it receives. Switches: orxike-standin.ini beside it.
#include "standins/orxike/Daemon.h"
#include "standins/orxike/DaemonNames.h"
#include "standins/orxike/SettingsSources.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::atomic<orxike_standin::DaemonStandIn*> g_daemon{nullptr};

BOOL WINAPI OnConsoleControl(DWORD) {
    if (orxike_standin::DaemonStandIn* daemon = g_daemon) daemon->Stop();
    return TRUE;
}

struct ImageLocation {
    std::string directory;
    std::string imageName;
};

bool LocateImage(ImageLocation& location) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    const std::string full(path, length);
    const size_t slash = full.rfind('\\');
    if (slash == std::string::npos) return false;
    location = {full.substr(0, slash), full.substr(slash + 1)};
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orxike_standin;
    if (argc > 1) {
        std::fprintf(stderr,
                     "%s takes no arguments: it is the IKE daemon stand-in, started by the service.\n"
                     "Its switches are read from %s beside it and from HKLM\\%s.\n",
                     argv[0], kSettingsFileName, kSettingsRegistryKey);
        return kExitUsage;
    }
    ImageLocation location;
    if (!LocateImage(location)) {
        std::fprintf(stderr, "orxike stand-in: cannot tell its own directory\n");
        return kExitJournal;
    }
    const std::string journalPath = location.directory + "\\" + JournalFileName(location.imageName);
    Journal journal;
    if (!journal.Open(journalPath)) {
        std::fprintf(stderr, "orxike stand-in: cannot open its journal %s\n", journalPath.c_str());
        return kExitJournal;
    }
    std::vector<std::string> problems;
    DaemonSettings settings = LoadSettings(location.directory, problems);
    journal.SetEcho(settings.echo);
    journal.Write("start pid=" + std::to_string(GetCurrentProcessId()) + " image=" + location.imageName +
                  " dir=" + location.directory);
    journal.Write("settings " + DescribeSettings(settings));
    for (const std::string& problem : problems) journal.Write("settings refused: " + problem);

    DaemonStandIn daemon(std::move(settings), journal);
    g_daemon = &daemon;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    const int exitCode = daemon.Run();
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_daemon = nullptr;
    journal.Write("exit code " + std::to_string(exitCode));
    return exitCode;
}
