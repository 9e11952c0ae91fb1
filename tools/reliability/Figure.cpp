#include "tools/reliability/Figure.h"

#include <algorithm>
#include <cstdio>

namespace reliability {

namespace {

constexpr size_t kLabelColumn = 27;  // the longest label and a blank
constexpr double kStopHintMs = 15000;

}  // namespace

std::string FigureLine(const Figure& figure) {
    std::string line = figure.label;
    line.resize(std::max(line.size() + 1, kLabelColumn), ' ');
    line += figure.result;
    if (!figure.holds) line += "   <- DOES NOT HOLD";
    return line;
}

Figure Broken(const std::string& label, const std::string& where) { return {label, "not run to its end: " + where, false}; }

Figure RoundsFigure(const std::string& label, unsigned long long rounds, const std::vector<RoundCheck>& checks,
                    const std::string& note) {
    bool all = true;
    for (const RoundCheck& check : checks) all = all && check.passed == rounds;
    std::string result = all ? OutOf(rounds, rounds) + " " : std::string();
    for (size_t i = 0; i < checks.size(); ++i) {
        result += (i == 0 ? "" : ", ") + checks[i].name;
        if (!all) result += " " + OutOf(checks[i].passed, rounds);
    }
    return {label, result + " " + note, all};
}

std::string StopText(const StopTimes& times) {
    const std::string stopped =
        times.stoppedMs >= 0 ? "stopped after " + Duration(times.stoppedMs) : "not stopped within 60 s";
    const std::string gone = times.goneMs >= 0 ? "process gone after " + Duration(times.goneMs)
                                               : "process still there after 60 s";
    return stopped + ", " + gone + " (hint 15 s)";
}

bool StoppedWithinHint(const StopTimes& times) {
    return times.stoppedMs >= 0 && times.stoppedMs <= kStopHintMs && times.goneMs >= 0 && times.goneMs <= kStopHintMs;
}

std::string OutOf(unsigned long long done, unsigned long long total) {
    return std::to_string(done) + "/" + std::to_string(total);
}

std::string Duration(double ms) {
    char text[32];
    if (ms < 1000) {
        std::snprintf(text, sizeof text, "%.0f ms", ms);
    } else if (ms < 10000) {
        std::snprintf(text, sizeof text, "%.2f s", ms / 1000);
    } else {
        std::snprintf(text, sizeof text, "%.1f s", ms / 1000);
    }
    return text;
}

}  // namespace reliability
