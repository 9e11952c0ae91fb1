// The daemon killed while ready, again and again: the service must notice
// each end, tell the GUI (ORXIKE_CRASHED, then the not-running status form),
// log it (event 3003, the daemon's unexpected end), and launch a new daemon
// when the GUI asks for one.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/Stats.h"
#include "tests/support/Wait.h"
#include "tools/reliability/LoopCounts.h"
#include "tools/reliability/RunFiles.h"

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "daemon crashes";
constexpr uint32_t kDaemonEndedEvent = 3003;
constexpr DWORD kReportTimeoutMs = 10000;

struct CrashTally {
    unsigned noticed = 0;
    unsigned reported = 0;
    unsigned logged = 0;
    unsigned relaunched = 0;
    std::vector<double> relaunchMs;
};

// ORXIKE_CRASHED, then the not-running status form (a status form before
// the crash report is passed over, so the order is checked too).
bool ReportedToGui(Inbox& inbox) {
    Received message;
    return inbox.Expect(ORXIKE_CRASHED, message, kReportTimeoutMs) &&
           inbox.Expect(ORXIKE_STOPPED, message, kReportTimeoutMs) && IsStatusForm(message, false);
}

// One crash: false when the run cannot go on (no daemon to kill).
bool CrashOnce(GuiEnd& gui, CrashTally& tally) {
    const std::vector<DWORD> daemons = ProcessIdsOf("orxike.exe", DaemonDir());
    if (daemons.size() != 1) return false;
    const size_t loggedBefore = CountSystemLogEvents(kDaemonEndedEvent);
    gui.inbox().Forget();
    if (!KillProcess(daemons.front())) return false;

    const bool reported = ReportedToGui(gui.inbox());
    const bool logged = WaitUntil([&] { return CountSystemLogEvents(kDaemonEndedEvent) == loggedBefore + 1; },
                                  kReportTimeoutMs);
    tally.reported += reported;
    tally.logged += logged;
    tally.noticed += reported || logged;

    double relaunchMs = 0;
    if (gui.StartDaemon(kLaunchTimeoutMs, &relaunchMs)) {
        ++tally.relaunched;
        tally.relaunchMs.push_back(relaunchMs);
    }
    return true;
}

}  // namespace

Figure RunDaemonCrashes(unsigned count) {
    RunningService service;
    if (!service.ok()) return Broken(kLabel, service.WhyNotStarted());
    GuiEnd gui;
    if (!gui.ok() || !gui.Announce() || !gui.StartDaemon(kLaunchTimeoutMs)) {
        return Broken(kLabel, "the first daemon did not reach ready");
    }
    const LoopCounts counts(service.processId());
    CrashTally tally;
    for (unsigned i = 0; i < count; ++i) {
        if (!CrashOnce(gui, tally)) return Broken(kLabel, "no daemon to kill after " + std::to_string(i) + " crashes");
    }
    return counts.AddTo(RoundsFigure(kLabel, count,
                        {{"noticed", tally.noticed},
                         {"reported", tally.reported},
                         {"logged", tally.logged},
                         {"relaunched", tally.relaunched}},
                        "(median relaunch " + Duration(Median(tally.relaunchMs)) + ")"));
}

}  // namespace reliability
