// Service benchmark: the real service (build/bin/orxstarter.exe) under the
// service control manager, each figure against a floor measured in the same
// run, blocks of each pair interleaved so background load spreads evenly:
//   - start: StartService until SERVICE_RUNNING ("IkeStart" off), against
//     minimal_service.exe, which reports running at once; and, to tell the
//     platform's share from the service's own, against the same minimal
//     service loading every library the real one imports;
//   - hops: a GUI request (ORXCONSOLE_DBGLEVEL on "Global\vpnsrvcfg") until
//     the daemon's channel "vpnike" has it, and a daemon notification
//     (ORXIKE_SA_ADD on "vpnsrvike") until the GUI's channel has it: two
//     channel hops each with the service between them, against two bare
//     hops (a peer process that passes each message straight back); the
//     three alternate message by message;
//   - relayed messages per second both ways, against the bare peer.
// This program plays both the GUI and the daemon, so each message is timed
// by one clock; 696-byte messages throughout.
//
//   service_bench.exe [--starts N] [--blocks B] [--messages M] [--throughput T]
#include "benchmarks/service/EchoPeer.h"
#include "benchmarks/service/HopTimes.h"
#include "benchmarks/service/StartTimes.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/DaemonEnd.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/InstalledService.h"
#include "tests/support/RunningService.h"
#include "tests/support/Stats.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace service_bench;
using namespace testing_support;

namespace {

constexpr char kMinimalService[] = "OrxBench Minimal";
constexpr char kImportsService[] = "OrxBench Minimal Imports";
constexpr unsigned kWarmupMessages = 20;
constexpr double kGoalRatio = 1.2;

struct Options {
    unsigned starts = 5;         // per block and service
    unsigned blocks = 4;
    unsigned messages = 200;     // timed one at a time, per block, of each kind
    unsigned throughput = 5000;  // back to back, per way
    std::string error;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc && options.error.empty(); i += 2) {
        unsigned* target = std::strcmp(argv[i], "--starts") == 0       ? &options.starts
                           : std::strcmp(argv[i], "--blocks") == 0     ? &options.blocks
                           : std::strcmp(argv[i], "--messages") == 0   ? &options.messages
                           : std::strcmp(argv[i], "--throughput") == 0 ? &options.throughput
                                                                       : nullptr;
        char* end = nullptr;
        const unsigned long value = i + 1 < argc ? std::strtoul(argv[i + 1], &end, 10) : 0;
        if (target == nullptr) {
            options.error = std::string("unknown argument ") + argv[i];
        } else if (i + 1 >= argc || *end != '\0' || value == 0 || value > 1000000) {
            options.error = std::string(argv[i]) + " needs a number from 1 to 1000000";
        } else {
            *target = static_cast<unsigned>(value);
        }
    }
    return options;
}

const char* Verdict(double ratio) { return ratio <= kGoalRatio ? "goal met" : "GOAL MISSED"; }

void PrintStarts(const std::vector<std::vector<double>>& samples) {
    const double starter = Median(samples[0]), minimal = Median(samples[1]), imports = Median(samples[2]);
    std::printf("service start to RUNNING     %8.1f ms   minimal service      %8.1f ms   ratio %.2f (goal <= 1.2, %s)\n",
                starter, minimal, starter / minimal, Verdict(starter / minimal));
    std::printf("                                           same, same imports   %8.1f ms   ratio %.2f\n", imports,
                starter / imports);
}

void PrintHop(const char* what, const std::vector<double>& throughService, const std::vector<double>& bare) {
    const double service = Median(throughService), floor = Median(bare);
    std::printf("%-28s %8.1f us   two bare hops        %8.1f us   ratio %.2f per hop (goal <= 1.2, %s)\n", what,
                service, floor, service / floor, Verdict(service / floor));
}

// One message of each kind after the other, so that load spreads over all
// three alike; false when one did not arrive.
struct HopSamples {
    std::vector<double> requests, notifications, bare;

    bool Add(double request, double notification, double bareRequest, double bareNotification) {
        if (request < 0 || notification < 0 || bareRequest < 0 || bareNotification < 0) return false;
        requests.push_back(request);
        notifications.push_back(notification);
        bare.push_back(bareRequest);
        bare.push_back(bareNotification);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--echo") == 0) return RunEchoPeer(argv[2]);
    const Options options = ParseOptions(argc, argv);
    if (!options.error.empty()) {
        std::fprintf(stderr, "service_bench: %s\nusage: service_bench.exe [--starts N] [--blocks B] [--messages M] "
                             "[--throughput T]\n", options.error.c_str());
        return 2;
    }
    ScopedServiceSettings settings;  // "IkeStart", the trace and the system log off
    ScopedServiceRemoval starterRemoval;
    ScopedServiceRemoval minimalRemoval(kMinimalService);
    ScopedServiceRemoval importsRemoval(kImportsService);
    if (RunProcess("\"" + BinPath("orxstarter.exe") + "\" -i").exitCode != 0 ||
        !CreateOwnProcessService(kMinimalService, "\"" + BinPath("minimal_service.exe") + "\"") ||
        !CreateOwnProcessService(kImportsService, "\"" + BinPath("minimal_service_imports.exe") + "\"")) {
        std::fprintf(stderr, "service_bench: the services could not be installed\n");
        return 1;
    }
    PrintStarts(TimeStarts({kStarterServiceName, kMinimalService, kImportsService}, options.blocks, options.starts));

    RunningService service;
    DaemonEnd daemon;
    GuiEnd gui;
    EchoPair echo(BinPath("service_bench.exe"));
    if (!service.ok() || !daemon.ok() || !daemon.Handshake() || !gui.ok() || !gui.Announce() || !echo.ok()) {
        std::fprintf(stderr, "service_bench: the service or the bare peer could not be set up\n");
        return 1;
    }
    const Sender toService = [&](const void* m, DWORD n) { return gui.Send(m, n); };
    const Sender fromDaemon = [&](const void* m, DWORD n) { return daemon.Send(m, n); };
    const Sender toPeer = [&](const void* m, DWORD n) { return echo.Send(m, n); };
    HopSamples warmup, hops;
    for (unsigned i = 0; i < kWarmupMessages + options.blocks * options.messages; ++i) {
        HopSamples& samples = i < kWarmupMessages ? warmup : hops;
        const double times[] = {TimeOneMessage(toService, daemon.inbox(), ORXCONSOLE_DBGLEVEL),
                                TimeOneMessage(fromDaemon, gui.inbox(), ORXIKE_SA_ADD),
                                TimeOneMessage(toPeer, echo.inbox(), ORXCONSOLE_DBGLEVEL),
                                TimeOneMessage(toPeer, echo.inbox(), ORXIKE_SA_ADD)};
        if (!samples.Add(times[0], times[1], times[2], times[3])) {
            // Which one, and how: -1 its send was refused, -2 it did not arrive within 5 s.
            std::fprintf(stderr,
                         "service_bench: round %u lost a message (request %.0f, notification %.0f, bare %.0f and "
                         "%.0f us)\n",
                         i, times[0], times[1], times[2], times[3]);
            return 1;
        }
    }
    PrintHop("GUI request to daemon", hops.requests, hops.bare);
    PrintHop("daemon notification to GUI", hops.notifications, hops.bare);

    const double requestRate = MessagesPerSecond(toService, daemon.inbox(), ORXCONSOLE_DBGLEVEL, options.throughput);
    const double notificationRate = MessagesPerSecond(fromDaemon, gui.inbox(), ORXIKE_SA_ADD, options.throughput);
    const double bareRate = MessagesPerSecond(toPeer, echo.inbox(), ORXIKE_SA_ADD, options.throughput);
    std::printf("relayed messages per second  GUI->daemon %.0f/s, daemon->GUI %.0f/s   two bare hops %.0f/s\n",
                requestRate, notificationRate, bareRate);
    return 0;
}
