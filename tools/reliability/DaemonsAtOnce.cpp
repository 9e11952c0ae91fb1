// Two ways the service could run two daemons at once, tried again and again
// on one service: (a) forged state: the daemon is ready, another local
// process sends ORXIKE_STOPPED on the daemon's channel, then the GUI sends
// VPNCONF_UPDATE_CONFIG; (b) simultaneous starts: VPNCONF_STARTED arrives on
// "Global\vpnsrvcfg" and "Global\vpnsrvlogonui" at the same moment, with a
// daemon that says it is alive only 3 s after it starts. The daemon
// processes are counted at every look during each try, until the request
// has reached a daemon: never more than one, and one indeed.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/DaemonEnd.h"
#include "tests/support/DaemonStandin.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/Wait.h"
#include "tools/reliability/DaemonCounts.h"
#include "tools/reliability/LoopCounts.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/Tally.h"

#include <thread>

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "daemons at once";
constexpr uint32_t kDaemonStoppedEvent = 3002;  // what a daemon's ORXIKE_STOPPED is logged as
// A daemon that said it ends gets 5 s before the launch ends it; then the
// new one starts, says it is alive (3 s later in the simultaneous starts),
// and is passed the request.
constexpr DWORD kServedTimeoutMs = 20000;
// Looks taken after the request was served: a second launch decided late.
constexpr DWORD kTailMs = 200;
constexpr DWORD kEndTimeoutMs = 10000;
constexpr char kUpdatePassed[] = " recv VPNCONF_UPDATE_CONFIG len=";
constexpr char kStartedPassed[] = " recv VPNCONF_STARTED len=";

size_t Passed(const char* journalLine) { return CountOccurrences(DaemonJournal(), journalLine); }

// The most daemons seen at once until `served()` holds (or the time-out),
// and a little after.
template <class Served>
int PeakUntil(Served served) {
    ProcessPeak peak("orxike.exe", DaemonDir());
    WaitUntil(
        [&] {
            peak.Look();
            return served();
        },
        kServedTimeoutMs);
    WaitUntil(
        [&] {
            peak.Look();
            return false;
        },
        kTailMs);
    return peak.most();
}

// The daemon is ready. The forged report is known to be taken once it is
// logged; only then does the update come, so it meets the state it forged.
int ForgedStateTry(GuiEnd& gui, const ClientChannel& daemonChannel) {
    const size_t logged = CountSystemLogEvents(kDaemonStoppedEvent);
    if (!daemonChannel.SendEmpty(ORXIKE_STOPPED) ||
        !WaitUntil([&] { return CountSystemLogEvents(kDaemonStoppedEvent) > logged; })) {
        return 0;
    }
    const size_t passed = Passed(kUpdatePassed);
    if (!gui.SendEmpty(VPNCONF_UPDATE_CONFIG)) return 0;
    return PeakUntil([&] { return Passed(kUpdatePassed) > passed; });
}

// The GUI's reset, and the daemon's end: the next try starts with none.
// Daemons the reset left are ended from outside; their number is returned.
unsigned EndDaemons(GuiEnd& gui) {
    const auto none = [] { return ProcessIdsOf("orxike.exe", DaemonDir()).empty(); };
    if (gui.SendEmpty(VPNCONF_RESET_IKE) && WaitUntil(none, kEndTimeoutMs)) return 0;
    const std::vector<DWORD> left = ProcessIdsOf("orxike.exe", DaemonDir());
    for (DWORD id : left) KillProcess(id);
    return static_cast<unsigned>(left.size());
}

// No daemon runs. Both GUIs' starts are released by one event; the try is
// over once the daemon has been passed both.
int SimultaneousStartsTry(GuiEnd& gui, GuiEnd& logonGui, unsigned& endedFromOutside) {
    const size_t passed = Passed(kStartedPassed);
    orx::UniqueHandle go(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!go) return 0;
    const auto startOn = [&go](GuiEnd& end) {
        return std::thread([&go, &end] {
            WaitForSingleObject(go.get(), kEndTimeoutMs);
            end.SendEmpty(VPNCONF_STARTED);
        });
    };
    std::thread user = startOn(gui);
    std::thread logon = startOn(logonGui);
    SetEvent(go.get());
    const int peak = PeakUntil([&] { return Passed(kStartedPassed) >= passed + 2; });
    user.join();
    logon.join();
    endedFromOutside += EndDaemons(gui);
    return peak;
}

std::string DaemonSettings(const char* extra) { return std::string("console=0\n") + extra; }

}  // namespace

Figure RunDaemonsAtOnce(unsigned tries) {
    RunningService service;
    if (!service.ok()) return Broken(kLabel, service.WhyNotStarted());
    GuiEnd gui;
    GuiEnd logonGui(true);
    const ClientChannel daemonChannel(ServiceIkeChannelName());
    if (!gui.ok() || !logonGui.ok() || !daemonChannel.ok() || !gui.Announce() || !logonGui.Announce()) {
        return Broken(kLabel, "the GUIs or the daemon's channel could not be opened");
    }
    const LoopCounts counts(service.processId());
    std::vector<int> forged, simultaneous;
    unsigned endedFromOutside = 0;
    {
        DaemonStandin standin(DaemonSettings(""), DaemonDir() + "\\");
        if (!gui.StartDaemon(kLaunchTimeoutMs)) return Broken(kLabel, "the first daemon did not reach ready");
        for (unsigned i = 0; i < tries; ++i) forged.push_back(ForgedStateTry(gui, daemonChannel));
        endedFromOutside += EndDaemons(gui);
    }
    {
        DaemonStandin standin(DaemonSettings("channel_delay_s=3\n"), DaemonDir() + "\\");
        for (unsigned i = 0; i < tries; ++i) {
            simultaneous.push_back(SimultaneousStartsTry(gui, logonGui, endedFromOutside));
        }
    }
    const std::string outside =
        endedFromOutside == 0 ? "" : ", " + std::to_string(endedFromOutside) + " daemons outlived the GUI's reset";
    return counts.AddTo({kLabel,
                         AtMostOneText(forged, "forged state") + ", " +
                             AtMostOneText(simultaneous, "simultaneous starts") + outside,
                         EveryTryCounted(forged, 1) && EveryTryCounted(simultaneous, 1) && endedFromOutside == 0});
}

}  // namespace reliability
