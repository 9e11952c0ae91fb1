#include "tools/reliability/Options.h"

#include <algorithm>
#include <cstdlib>

namespace reliability {

namespace {

bool ParseNumber(const std::string& text, unsigned long long highest, unsigned long long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12) return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return value <= highest;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// A switch that takes a count, and where the count goes.
struct CountSwitch {
    const char* name;
    unsigned RunSizes::*field;
    unsigned long long lowest;
};

constexpr CountSwitch kCountSwitches[] = {
    {"--crashes", &RunSizes::daemonCrashes, 1},       {"--kills", &RunSizes::guiKills, 1},
    {"--stalled-sends", &RunSizes::stalledSends, 1},  {"--hostile", &RunSizes::hostileMessages, 4},
    {"--soak-seconds", &RunSizes::soakSeconds, 10},
    {"--at-once", &RunSizes::atOnceTries, 1},         {"--launch-stops", &RunSizes::launchStops, 1},
    {"--gui-stops", &RunSizes::watchedGuiStops, 1},
};

}  // namespace

RunSizes ShortSizes() {
    RunSizes sizes;
    sizes.daemonCrashes = 5;
    sizes.guiKills = 5;
    sizes.atOnceTries = 5;
    sizes.launchStops = 5;
    sizes.watchedGuiStops = 5;
    sizes.stalledSends = 2;
    sizes.hostileMessages = 5000;
    sizes.soakSeconds = 30;
    return sizes;
}

const std::vector<std::string>& ScenarioNames() {
    static const std::vector<std::string> names = {"daemon-crashes",     "gui-kills",     "daemons-at-once",
                                                   "stop-during-launch", "stop-with-gui", "stalled-gui",
                                                   "hostile-input",      "soak"};
    return names;
}

bool Options::Runs(const std::string& scenario) const {
    return only.empty() || std::find(only.begin(), only.end(), scenario) != only.end();
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    // --short first, wherever it stands, so explicit counts win over it.
    if (std::find(args.begin(), args.end(), "--short") != args.end()) {
        options.shortRun = true;
        options.sizes = ShortSizes();
    }
    for (size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : std::string();
        unsigned long long number = 0;
        const auto count = std::find_if(std::begin(kCountSwitches), std::end(kCountSwitches),
                                        [&](const CountSwitch& s) { return arg == s.name; });
        if (arg == "--short") {
            continue;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (count != std::end(kCountSwitches)) {
            if (!hasValue || !ParseNumber(value, 100000000, number) || number < count->lowest) {
                options.error = std::string(arg) + " needs a number of at least " + std::to_string(count->lowest);
            } else {
                options.sizes.*(count->field) = static_cast<unsigned>(number);
                ++i;
            }
        } else if (arg == "--seed") {
            if (!hasValue || !ParseNumber(value, 0xFFFFFFFFull, number)) {
                options.error = "--seed needs a number from 0 to 4294967295";
            } else {
                options.seed = static_cast<uint32_t>(number);
                options.seedGiven = true;
                ++i;
            }
        } else if (arg == "--only") {
            if (!hasValue) {
                options.error = "--only needs scenario names";
                break;
            }
            for (const std::string& name : SplitCommas(value)) {
                const auto& known = ScenarioNames();
                if (std::find(known.begin(), known.end(), name) == known.end()) {
                    options.error = "unknown scenario \"" + name + "\"";
                    break;
                }
                options.only.push_back(name);
            }
            ++i;
        } else if (arg == "--crash-log") {
            if (!hasValue || value.empty()) {
                options.error = "--crash-log needs a file";
            } else {
                options.crashLog = value;
                ++i;
            }
        } else {
            options.error = "unknown argument \"" + arg + "\"";
        }
    }
    return options;
}

const char* UsageText() {
    return "usage: reliability.exe [--short] [--only NAME[,NAME...]] [--crashes N] [--kills N]\n"
           "                       [--stalled-sends N] [--hostile N] [--soak-seconds N] [--seed N]\n"
           "                       [--at-once N] [--launch-stops N] [--gui-stops N]\n"
           "                       [--trace] [--crash-log FILE]\n"
           "Runs the scenarios against the real service, installed and started through the\n"
           "service control manager, and prints one figure per scenario. Exit code 0 when\n"
           "every figure holds.\n"
           "  --short          the CI form: 5 daemon crashes, 5 GUI kills, 2 stalled sends per way,\n"
           "                   5,000 hostile messages, a 30 s soak (full run: 50, 50, 3, 1,000,000, 600 s);\n"
           "                   5 tries of each race and stop (full run: 50)\n"
           "  --only           scenarios: daemon-crashes, gui-kills, daemons-at-once, stop-during-launch,\n"
           "                   stop-with-gui, stalled-gui, hostile-input, soak\n"
           "  --at-once        tries of each race of daemons-at-once (forged state, simultaneous starts)\n"
           "  --launch-stops   tries of stop-during-launch; --gui-stops: tries of stop-with-gui\n"
           "  --seed           seed of the hostile input (printed by every run, to repeat one)\n"
           "  --trace          the service's debug trace on, for a failure's post-mortem: the run's\n"
           "                   folder C:\\users\\Public\\OrxReliability is then kept\n"
           "  --crash-log      a file where Wine writes the service's crash reports (\"wine: Unhandled\")\n";
}

}  // namespace reliability
