// The command line of reliability.exe. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reliability {

// How much of each scenario a run does.
struct RunSizes {
    unsigned daemonCrashes = 50;
    unsigned guiKills = 50;
    unsigned atOnceTries = 50;      // each of the two races of "daemons at once"
    unsigned launchStops = 50;      // stops during a launch
    unsigned watchedGuiStops = 50;  // stops with a watched GUI
    unsigned stalledSends = 3;  // per way a message reaches the GUI
    unsigned hostileMessages = 1000000;
    unsigned soakSeconds = 600;
};

// The CI form: every scenario, small enough for a few minutes.
RunSizes ShortSizes();

// The scenarios by the names --only takes, in the order a run does them.
const std::vector<std::string>& ScenarioNames();

struct Options {
    RunSizes sizes;
    bool shortRun = false;
    bool trace = false;        // the service's debug trace on ("StarterLogFile" 2)
    bool seedGiven = false;
    uint32_t seed = 0;         // of the hostile input
    std::vector<std::string> only;  // empty: every scenario
    std::string crashLog;      // a file where Wine reports the service's crashes
    bool help = false;
    std::string error;         // set when the command line is refused

    bool Runs(const std::string& scenario) const;
};

// --short sets the short sizes; the count switches given anywhere override
// them. Refuses unknown switches, missing or malformed numbers and unknown
// scenario names.
Options ParseOptions(const std::vector<std::string>& args);

const char* UsageText();

}  // namespace reliability
