// A stop while a launch waits for the daemon: the GUI's VPNCONF_STARTED
// launches a daemon that says it is alive only 20 s after it starts; the
// service is stopped 2 s into that wait. Once the service's process has
// ended no daemon may run. Each try starts the service afresh.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/DaemonStandin.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/Wait.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/StopTries.h"
#include "tools/reliability/Tally.h"

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "a stop during a launch";
constexpr char kStartedSent[] = " sent ORXIKE_STARTED";
constexpr DWORD kIntoTheWaitMs = 2000;

size_t StartsSent() { return CountOccurrences(DaemonJournal(), kStartedSent); }

// Empty, or why the try could not be brought to the stop.
std::string StopOnce(StopTally& tally) {
    RunningService service;
    if (!service.ok()) return service.WhyNotStarted();
    GuiEnd gui;
    const size_t sent = StartsSent();
    if (!gui.ok() || !gui.Announce() || !gui.SendEmpty(VPNCONF_STARTED) ||
        !WaitUntil([&] { return StartsSent() > sent; }, kLaunchTimeoutMs)) {
        return "the daemon did not start";
    }
    Sleep(kIntoTheWaitMs);
    tally.Stop(service);
    tally.CountLeft();
    return {};
}

}  // namespace

Figure RunStopDuringLaunch(unsigned tries) {
    DaemonStandin standin("console=0\nchannel_delay_s=20\n", DaemonDir() + "\\");
    StopTally tally;
    for (unsigned i = 0; i < tries; ++i) {
        const std::string problem = StopOnce(tally);
        if (!problem.empty()) return Broken(kLabel, "try " + std::to_string(i + 1) + ": " + problem);
    }
    return tally.ToFigure(kLabel, "", true);
}

}  // namespace reliability
