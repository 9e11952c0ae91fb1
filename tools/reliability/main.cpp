// reliability.exe: runs the reliability scenarios against the real service,
// installed and started through the service control manager, and prints one
// figure per scenario. Exit code 0 when every figure holds, 1 when one does
// not, 2 when the run could not be set up or the command line was refused.
#include "tools/reliability/Bench.h"
#include "tools/reliability/Options.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/Scenarios.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace reliability;

namespace {

void Print(const Figure& figure) {
    std::printf("%s\n", FigureLine(figure).c_str());
    std::fflush(stdout);
}

std::vector<Figure> RunScenarios(Bench& bench, const Options& options) {
    const RunSizes& sizes = options.sizes;
    std::vector<Figure> figures;
    // A crash Wine reports while a scenario runs (of the service, or of a
    // stand-in it launched) is a figure of its own that does not hold.
    const auto run = [&](const char* name, auto scenario) {
        if (!options.Runs(name)) return;
        const size_t crashMark = bench.CrashLogMark();
        std::vector<Figure> results = scenario();
        const std::string crash = bench.CrashSince(crashMark);
        if (!crash.empty()) results.push_back({"crash", std::string("during ") + name + ": " + crash, false});
        for (const Figure& figure : results) {
            Print(figure);
            figures.push_back(figure);
        }
    };
    run("daemon-crashes", [&] { return std::vector<Figure>{RunDaemonCrashes(sizes.daemonCrashes)}; });
    run("gui-kills", [&] { return std::vector<Figure>{RunGuiKills(sizes.guiKills)}; });
    run("daemons-at-once", [&] { return std::vector<Figure>{RunDaemonsAtOnce(sizes.atOnceTries)}; });
    run("stop-during-launch", [&] { return std::vector<Figure>{RunStopDuringLaunch(sizes.launchStops)}; });
    run("stop-with-gui",
        [&] { return std::vector<Figure>{RunStopWithWatchedGui(bench, sizes.watchedGuiStops)}; });
    run("stalled-gui", [&] { return std::vector<Figure>{RunStalledGui(sizes.stalledSends)}; });
    run("hostile-input",
        [&] { return std::vector<Figure>{RunHostileInput(bench, sizes.hostileMessages, options.seed)}; });
    run("soak", [&] { return RunSoak(bench, sizes.soakSeconds); });
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) std::fprintf(stderr, "reliability: %s\n", options.error.c_str());
        std::fputs(UsageText(), options.help ? stdout : stderr);
        return options.help ? 0 : 2;
    }
    if (!options.seedGiven) options.seed = GetTickCount();
    std::printf("reliability run (%s), the real service under the service control manager%s\n",
                options.shortRun ? "short form" : "full",
                options.crashLog.empty() ? "; crashes not watched (no --crash-log)" : "");
    std::fflush(stdout);

    Bench bench({options.trace, options.crashLog});
    if (!bench.ready()) {
        std::fprintf(stderr, "reliability: %s\n", bench.problem().c_str());
        return 2;
    }
    bool allHold = true;
    for (const Figure& figure : RunScenarios(bench, options)) allHold = allHold && figure.holds;
    std::printf("%s\n", allHold ? "every figure holds" : "SOME FIGURES DO NOT HOLD");
    if (options.trace) std::printf("the service's trace and logs are kept in %s\n", kRunRoot);
    return allHold ? 0 : 1;
}
