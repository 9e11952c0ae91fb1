// A GUI killed again and again: tunpanel.exe announces itself with a watchdog
// request and starts the daemon, then is ended from outside once the daemon
// has answered its start (the stand-in writes each journal line to its
// console too, which under Wine takes about a second for a long line: a GUI
// killed meanwhile would find the daemon's mailbox busy beyond the 2 s a
// send waits, and the daemon would never hear of it). Each end must be
// logged (event 2003, the GUI's unexpected end), told to the daemon (its
// journal receives VPNCONF_STOPPED: no "NetParams", a user-session GUI) and
// the GUI's slot cleared: the lock file deleted and the service's client
// channel to the GUI closed, so that the GUI's section is gone.
#include "tools/reliability/Scenarios.h"

#include "tests/support/GuiEnd.h"
#include "tests/support/MailboxWatch.h"
#include "tests/support/Stats.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Wait.h"
#include "tools/reliability/LoopCounts.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/Tally.h"

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "GUI kills";
constexpr uint32_t kGuiEndedEvent = 2003;
constexpr DWORD kNoticeTimeoutMs = 10000;
constexpr char kStatusLine[] = "<- ORXIKE_STARTED len=696 version=\"4.40\"";
constexpr char kDaemonAnswerLine[] = "<- ORXIKE_CONFIG_OK";

struct KillTally {
    unsigned ready = 0;
    unsigned noticed = 0;
    unsigned told = 0;
    unsigned cleared = 0;
    std::vector<double> clearMs;
};

size_t DaemonHeardStopped() { return CountOccurrences(DaemonJournal(), " recv VPNCONF_STOPPED len="); }

std::string LockFile() { return DataDir() + "\\tunpanel.~lk"; }

void KillOnce(const std::string& commandLine, KillTally& tally) {
    BackgroundProcess gui(commandLine);
    if (!gui.WaitForOutput(kStatusLine, kLaunchTimeoutMs) || !gui.WaitForOutput(kDaemonAnswerLine, kNoticeTimeoutMs)) {
        return;
    }
    ++tally.ready;
    const size_t loggedBefore = CountSystemLogEvents(kGuiEndedEvent);
    const size_t toldBefore = DaemonHeardStopped();
    WriteFileBytes(LockFile(), "");
    const std::string guiChannel = GuiChannelName();  // tunpanel runs in this session too

    const double start = NowMs();
    gui.Kill();
    const bool cleared =
        WaitUntil([&] { return !FileExists(LockFile()) && !ChannelExists(guiChannel); }, kNoticeTimeoutMs);
    if (cleared) {
        ++tally.cleared;
        tally.clearMs.push_back(NowMs() - start);
    }
    tally.noticed +=
        WaitUntil([&] { return CountSystemLogEvents(kGuiEndedEvent) == loggedBefore + 1; }, kNoticeTimeoutMs);
    tally.told += WaitUntil([&] { return DaemonHeardStopped() == toldBefore + 1; }, kNoticeTimeoutMs);
}

}  // namespace

Figure RunGuiKills(unsigned count) {
    RunningService service;
    if (!service.ok()) return Broken(kLabel, service.WhyNotStarted());
    const std::string commandLine = "\"" + BinPath("tunpanel.exe") + "\" start \"wait 600000\"";
    const LoopCounts counts(service.processId());
    KillTally tally;
    for (unsigned i = 0; i < count; ++i) KillOnce(commandLine, tally);
    return counts.AddTo(RoundsFigure(kLabel, count,
                        {{"ready", tally.ready},
                         {"noticed", tally.noticed},
                         {"daemon told", tally.told},
                         {"slot cleared", tally.cleared}},
                        "(median clear " + Duration(Median(tally.clearMs)) + ")"));
}

}  // namespace reliability
