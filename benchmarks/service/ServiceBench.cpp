// Service benchmark: the real service (build/bin/orxstarter.exe) under the
// service control manager, each figure against a floor measured in the same
// run, blocks of each pair interleaved so background load spreads evenly:
//   - start: StartService until SERVICE_RUNNING ("IkeStart" off), against
//     minimal_service.exe, which reports running at once; and, to tell the
//     platform's share from the service's own, against the same minimal
//     service loading each library the service's start needs (and making the
//     start's call to it), one by one and all together;
//   - idle: the service and the minimal service started side by side, left
//     alone, and seen from outside over one window: private memory,
//     threads, wakeups (context switches) and CPU time of their processes;
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
//   service_bench.exe [--starts N] [--blocks B] [--messages M] [--throughput T] [--idle-seconds S]
#include "benchmarks/service/EchoPeer.h"
#include "benchmarks/service/HopTimes.h"
#include "benchmarks/service/IdleFigures.h"
#include "benchmarks/service/StartTimes.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/DaemonEnd.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/InstalledService.h"
#include "tests/support/RunningService.h"
#include "tests/support/Stats.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

using namespace service_bench;
using namespace testing_support;

namespace {

constexpr char kMinimalService[] = "OrxBench Minimal";
constexpr unsigned kWarmupMessages = 20;
constexpr unsigned kIdleSettleMs = 2000;
constexpr double kGoalRatio = 1.2;

// The minimal service with what the service's start cannot do without: the
// libraries it maps when it loads, each with the call its start makes.
struct StartFloor {
    const char* service;
    const char* libraries;  // minimal_service.exe's arguments
    const char* what;
};
constexpr StartFloor kStartFloors[] = {
    {"OrxBench Minimal ws2_32", "ws2_32", "+ ws2_32, WSAStartup"},
    {"OrxBench Minimal netapi32", "netapi32", "+ netapi32, NetWkstaGetInfo"},
    {"OrxBench Minimal Lang", "OrxStarterLang", "+ OrxStarterLang.dll, StarterLang_Init"},
    {"OrxBench Minimal Profstore", "Profstore", "+ Profstore.dll"},
    {"OrxBench Minimal All", "ws2_32 netapi32 OrxStarterLang Profstore", "+ all four"},
};

struct Options {
    unsigned starts = 5;         // per block and service
    unsigned blocks = 4;
    unsigned messages = 200;     // timed one at a time, per block, of each kind
    unsigned throughput = 5000;  // back to back, per way
    unsigned idleSeconds = 60;
    std::string error;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc && options.error.empty(); i += 2) {
        unsigned* target = std::strcmp(argv[i], "--starts") == 0       ? &options.starts
                           : std::strcmp(argv[i], "--blocks") == 0     ? &options.blocks
                           : std::strcmp(argv[i], "--messages") == 0   ? &options.messages
                           : std::strcmp(argv[i], "--throughput") == 0 ? &options.throughput
                           : std::strcmp(argv[i], "--idle-seconds") == 0 ? &options.idleSeconds
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

// A start's time is its own work plus whatever else the machine does
// meanwhile, which only ever adds: the lower quartile of many starts tells
// the work, where a median on a busy machine moves with the load.
double LowerQuartile(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 4];
}

// samples[0] the service's starts, [1] the minimal service's, then one per
// entry of kStartFloors.
void PrintStarts(const std::vector<std::vector<double>>& samples) {
    const double starter = LowerQuartile(samples[0]), minimal = LowerQuartile(samples[1]);
    std::printf("service start to RUNNING     %8.1f ms   minimal service      %8.1f ms   ratio %.2f (goal <= 1.2, %s)\n",
                starter, minimal, starter / minimal, Verdict(starter / minimal));
    std::printf("  (lower quartiles of %zu starts each; medians %.1f and %.1f ms)\n", samples[0].size(),
                Median(samples[0]), Median(samples[1]));
    std::printf("what the start cannot do without, on the minimal service:\n");
    for (size_t i = 0; i < std::size(kStartFloors); ++i) {
        const double floor = LowerQuartile(samples[i + 2]);
        std::printf("  %-40s %8.1f ms   %+6.1f ms   ratio %.2f\n", kStartFloors[i].what, floor, floor - minimal,
                    floor / minimal);
    }
    const double all = LowerQuartile(samples.back());
    std::printf("service start against the minimal service with all four: ratio %.2f (its own run %+.1f ms)\n",
                starter / all, starter - all);
}

void PrintIdleRow(const char* what, const char* format, double service, double minimal) {
    char left[32], right[32];
    std::snprintf(left, sizeof left, format, service);
    std::snprintf(right, sizeof right, format, minimal);
    std::printf("  %-26s %16s %18s\n", what, left, right);
}

void PrintIdle(const std::vector<IdleFigures>& figures, unsigned seconds) {
    const IdleFigures &service = figures[0], &minimal = figures[1];
    if (!service.measured || !minimal.measured) {
        std::printf("idle figures: not measured (the Linux processes under Wine could not be read)\n");
        return;
    }
    const auto wakeups = [](const IdleFigures& f) {
        return static_cast<double>(static_cast<long long>(f.atEnd.switches - f.atStart.switches));
    };
    const auto cpuMs = [](const IdleFigures& f) {
        return static_cast<double>(static_cast<long long>(f.atEnd.cpuNs - f.atStart.cpuNs)) / 1e6;
    };
    std::printf("idle for %u s, seen from the Linux process      service   minimal service\n", seconds);
    PrintIdleRow("private memory", "%.1f MB", service.atEnd.privateKb / 1024, minimal.atEnd.privateKb / 1024);
    PrintIdleRow("resident, with libraries", "%.1f MB", service.atEnd.residentKb / 1024,
                 minimal.atEnd.residentKb / 1024);
    PrintIdleRow("threads", "%.0f", service.atEnd.threads, minimal.atEnd.threads);
    PrintIdleRow("wakeups", "%.0f", wakeups(service), wakeups(minimal));
    PrintIdleRow("CPU time", "%.2f ms", cpuMs(service), cpuMs(minimal));
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
                             "[--throughput T] [--idle-seconds S]\n", options.error.c_str());
        return 2;
    }
    ScopedServiceSettings settings;  // "IkeStart", the trace and the system log off
    ScopedServiceRemoval starterRemoval;
    ScopedServiceRemoval minimalRemoval(kMinimalService);
    std::vector<std::unique_ptr<ScopedServiceRemoval>> floorRemovals;
    std::vector<std::string> startOrder = {kStarterServiceName, kMinimalService};
    const std::string minimalProgram = BinPath("minimal_service.exe");
    bool installed = RunProcess("\"" + BinPath("orxstarter.exe") + "\" -i").exitCode == 0 &&
                     CreateOwnProcessService(kMinimalService, "\"" + minimalProgram + "\"");
    for (const StartFloor& floor : kStartFloors) {
        floorRemovals.push_back(std::make_unique<ScopedServiceRemoval>(floor.service));
        installed = installed &&
                    CreateOwnProcessService(floor.service, "\"" + minimalProgram + "\" " + floor.libraries);
        startOrder.push_back(floor.service);
    }
    if (!installed) {
        std::fprintf(stderr, "service_bench: the services could not be installed\n");
        return 1;
    }
    PrintStarts(TimeStarts(startOrder, options.blocks, options.starts));
    std::fflush(stdout);
    PrintIdle(MeasureIdle({{kStarterServiceName, BinPath("orxstarter.exe")}, {kMinimalService, minimalProgram}},
                          options.idleSeconds, kIdleSettleMs),
              options.idleSeconds);
    std::fflush(stdout);

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
