// A stop with "IkeStart" "1" and a watched GUI that exits when it is told
// the service stops (VPNCONF_STOPPED), as a real GUI does: its end, seen by
// its watchdog while the stop runs, must not launch a daemon. The service
// launches the daemon at its start (it loads the configuration first); the
// GUI (tunpanel.exe, its watchdog asked for) connects; the service is
// stopped; once its process has ended, and the GUI too, no daemon may run.
// Each try starts the service afresh.
#include "tools/reliability/Scenarios.h"

#include "tests/support/DaemonStandin.h"
#include "tests/support/TestSupport.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/StopTries.h"

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "a stop with a watched GUI";
constexpr char kGuiConnected[] = "<- ORXIKE_STARTED";
constexpr DWORD kGuiEndMs = 10000;

std::string ConfigPath() { return DataDir() + "\\vpnconfig.cfg"; }

// "IkeStart" "1", and the configuration it loads before the launch, for the
// life of the object.
class IkeStartOn {
public:
    explicit IkeStartOn(ScopedServiceSettings& settings) : settings_(settings) {
        ok_ = WriteFileBytes(ConfigPath(), "gateway = 192.0.2.1\r\n") && settings_.SetString("IkeStart", "1");
    }
    ~IkeStartOn() {
        settings_.Remove("IkeStart");
        DeleteFileA(ConfigPath().c_str());
    }
    IkeStartOn(const IkeStartOn&) = delete;
    IkeStartOn& operator=(const IkeStartOn&) = delete;

    bool ok() const { return ok_; }

private:
    ScopedServiceSettings& settings_;
    bool ok_ = false;
};

// Empty, or why the try could not be brought to the stop; `told` when the
// GUI ended on its own, told of the stop.
std::string StopOnce(const std::string& guiCommand, StopTally& tally, bool& told) {
    RunningService service;
    if (!service.ok()) return service.WhyNotStarted();
    BackgroundProcess gui(guiCommand);
    if (!gui.WaitForOutput(kGuiConnected, kLaunchTimeoutMs)) return "the GUI did not connect";
    tally.Stop(service);
    DWORD exitCode = 1;
    told = gui.Wait(kGuiEndMs, &exitCode) && exitCode == 0;
    tally.CountLeft();
    return {};
}

}  // namespace

Figure RunStopWithWatchedGui(Bench& bench, unsigned tries) {
    IkeStartOn ikeStart(bench.settings());
    if (!ikeStart.ok()) return Broken(kLabel, "\"IkeStart\" or the configuration could not be written");
    DaemonStandin standin("console=0\n", DaemonDir() + "\\");
    const std::string guiCommand = "\"" + BinPath("tunpanel.exe") + "\" start \"expect VPNCONF_STOPPED 60000\"";
    StopTally tally;
    unsigned told = 0;
    for (unsigned i = 0; i < tries; ++i) {
        bool toldNow = false;
        const std::string problem = StopOnce(guiCommand, tally, toldNow);
        if (!problem.empty()) return Broken(kLabel, "try " + std::to_string(i + 1) + ": " + problem);
        told += toldNow;
    }
    return tally.ToFigure(kLabel, "the GUI told and ended in " + OutOf(told, tries), told == tries);
}

}  // namespace reliability
