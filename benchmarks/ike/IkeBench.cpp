// IKE supervision benchmark, each figure against a floor measured in the
// same run:
//   - launch: COrxIke::Run until the daemon stand-in is Connected, against
//     creating a process that sets a named event at once and waiting for it;
//   - relay: a daemon notification sent on "vpnsrvike" until it arrives on
//     the GUI's channel (two channel hops: daemon to service, service to
//     GUI), against two bare hops: a channel whose callback passes each
//     message straight on to the next, as the supervisor does.
// Blocks of each pair are interleaved so background load spreads evenly.
//
//   ike_bench.exe [--launches N] [--messages M] [--blocks B]
#include "tests/support/BareRelay.h"
#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"
#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"
#include "tests/support/Clock.h"
#include "tests/support/Inbox.h"
#include "tests/support/PartsOwner.h"
#include "tests/support/Stats.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testing_support::Inbox;
using testing_support::Median;
using testing_support::NowMicroseconds;

struct Options {
    unsigned launches = 10;   // per block
    unsigned messages = 200;  // per block
    unsigned blocks = 5;
};

std::string SelfPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::string DirOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// The floor of a launch: a process that sets a named event at once.
double FloorLaunchUs() {
    const std::string name = "ike_bench.floor." + std::to_string(GetCurrentProcessId());
    orx::UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    std::string commandLine = "\"" + SelfPath() + "\" --set-event " + name;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION created = {};
    const double start = NowMicroseconds();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &created)) {
        return -1;
    }
    WaitForSingleObject(event.get(), 30000);
    const double elapsed = NowMicroseconds() - start;
    orx::UniqueHandle process(created.hProcess), thread(created.hThread);
    WaitForSingleObject(process.get(), 5000);
    return elapsed;
}

double LaunchUs(COrxIke& ike) {
    const double start = NowMicroseconds();
    if (ike.StartDaemon() != DaemonStart::Launched || !ike.DaemonConnected()) return -1;
    const double elapsed = NowMicroseconds() - start;
    ike.Stop();
    ike.WaitDaemonGone(2000);
    return elapsed;
}

// Mean time of one message sent on `to` until `sink` sees it.
double HopUs(HANDLE to, Inbox& sink, unsigned messages) {
    unsigned char message[40] = {ORXIKE_SA_ADD};
    const double start = NowMicroseconds();
    for (unsigned i = 0; i < messages; ++i) {
        if (!IPCSendMsg(to, message, sizeof message)) return -1;
        WaitForSingleObject(sink.ArrivalEvent(), 5000);
    }
    return (NowMicroseconds() - start) / messages;
}

// Sets "Path" to this program's directory for the run, and puts it back.
class PathSetting {
public:
    PathSetting() {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                        nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExA(key_.get(), "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(old_), &size) ==
               ERROR_SUCCESS;
        const std::string dir = DirOf(SelfPath());
        RegSetValueExA(key_.get(), "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                       static_cast<DWORD>(dir.size() + 1));
    }
    ~PathSetting() {
        if (had_) {
            RegSetValueExA(key_.get(), "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_),
                           static_cast<DWORD>(std::strlen(old_) + 1));
        } else {
            RegDeleteValueA(key_.get(), "Path");
        }
    }

private:
    orx::UniqueHKey key_;
    char old_[MAX_PATH] = {};
    bool had_ = false;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const unsigned value = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        if (value == 0) continue;
        if (std::strcmp(argv[i], "--launches") == 0) options.launches = value;
        if (std::strcmp(argv[i], "--messages") == 0) options.messages = value;
        if (std::strcmp(argv[i], "--blocks") == 0) options.blocks = value;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--set-event") == 0) {
        orx::UniqueHandle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
        return event && SetEvent(event.get()) ? 0 : 1;
    }
    const Options options = ParseOptions(argc, argv);
    PathSetting path;
    // The stand-in journals to its file only: its console lines, hundreds
    // over the launches, are not the benchmark's figures.
    testing_support::ScopedRegValue quietDaemon(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxStandins\\Daemon", "console");
    quietDaemon.SetDword(0);
    Inbox gui("ike_bench.gui");
    Inbox hop("ike_bench.hop");
    ChannelGui guiLink("ike_bench.gui");
    orx::UniqueHandle alive(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    COrxIke ike;
    PartsOwner owner(ike, guiLink);
    owner.ike = &ike;
    ike.Attach(&owner, alive.get());
    if (ike.InitServer() == nullptr) {
        std::printf("cannot create vpnsrvike (is the service running?)\n");
        return 1;
    }
    BareRelay bareRelay("ike_bench.relay", "ike_bench.hop");
    if (!bareRelay.ok()) {
        std::printf("cannot create the bare relay's channels\n");
        return 1;
    }
    HANDLE toService = IPCInitClient("vpnsrvike");
    HANDLE toHop = IPCInitClient("ike_bench.relay");

    std::vector<double> floors, launches, relays, hops;
    for (unsigned block = 0; block < options.blocks; ++block) {
        for (unsigned i = 0; i < options.launches; ++i) {
            floors.push_back(FloorLaunchUs());
            launches.push_back(LaunchUs(ike));
        }
        hops.push_back(HopUs(toHop, hop, options.messages));
        relays.push_back(HopUs(toService, gui, options.messages));
    }
    const double floor = Median(floors), launch = Median(launches);
    const double hopUs = Median(hops), relay = Median(relays);
    std::printf("launch to Connected      %9.0f us   floor (process + event) %9.0f us   ratio %.2f (goal <= 1.3)\n",
                launch, floor, launch / floor);
    std::printf("daemon-to-GUI relay      %9.1f us   two bare hops           %9.1f us   ratio %.2f (goal <= 1.2)\n",
                relay, hopUs, relay / hopUs);
    IPCUnitialize(toService);
    IPCUnitialize(toHop);
    ike.CloseChannels(10000);
    return 0;
}
