// One figure a scenario prints, and whether it holds. Pure.
#pragma once

#include "tests/support/RunningService.h"

#include <string>
#include <vector>

namespace reliability {

struct Figure {
    std::string label;   // the scenario, e.g. "daemon crashes"
    std::string result;  // what was measured
    bool holds = false;
};

// The label in a column of its own, then the result; a figure that does not
// hold says so at the end of its line.
std::string FigureLine(const Figure& figure);

// A scenario that could not be run to its end: the figure says where it stopped.
Figure Broken(const std::string& label, const std::string& where);

// One check a scenario makes in each of its rounds, and how many rounds passed it.
struct RoundCheck {
    std::string name;  // "noticed", "daemon told", ...
    unsigned long long passed;
};

// The figure of `rounds` rounds that must each pass every check: "50/50
// noticed, reported, logged" when they did, each check's own count when not;
// `note` follows either way.
Figure RoundsFigure(const std::string& label, unsigned long long rounds, const std::vector<RoundCheck>& checks,
                    const std::string& note);

// How a stop went (RunningService::Stop).
using testing_support::StopTimes;
// "stopped after 2.01 s, process gone after 4.12 s (hint 15 s)"
std::string StopText(const StopTimes& times);
// Both within the hint the service gives with its stop-pending report.
bool StoppedWithinHint(const StopTimes& times);

// "50/50" when every one of `total` made it.
std::string OutOf(unsigned long long done, unsigned long long total);

// "2.1 s" / "110 ms": milliseconds in the unit a reader takes in at a glance.
std::string Duration(double ms);

}  // namespace reliability
