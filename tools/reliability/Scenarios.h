// The scenarios of a reliability run, each against the real service started
// for it (and stopped at its end) on the bench of the run.
#pragma once

#include "tests/support/RunningService.h"
#include "tools/reliability/Bench.h"
#include "tools/reliability/Figure.h"

#include <cstdint>
#include <vector>

namespace reliability {

// The daemon killed while ready, `count` times in a row: each end reported to
// the GUI and logged, and each relaunch asked for by the GUI reaches ready.
Figure RunDaemonCrashes(unsigned count);

// A GUI (tunpanel.exe) killed `count` times in a row: each end logged, the
// daemon told and the GUI's slot cleared.
Figure RunGuiKills(unsigned count);

// The races that could run two daemons, `tries` times each: a forged
// ORXIKE_STOPPED then an update, and two GUIs' starts at the same moment.
// At most one daemon at any moment of a try, and one indeed.
Figure RunDaemonsAtOnce(unsigned tries);

// A stop 2 s into a launch's wait for a slow daemon, `tries` times: no
// daemon left once the service's process has ended.
Figure RunStopDuringLaunch(unsigned tries);

// A stop with "IkeStart" "1" and a watched GUI that ends when told the
// service stops, `tries` times: no daemon left once the service's process
// (and the GUI) have ended.
Figure RunStopWithWatchedGui(Bench& bench, unsigned tries);

// A GUI that stops reading: the service's sends to it give up after 2 s,
// every channel serves again once it reads, and a stop still completes.
Figure RunStalledGui(unsigned sendsPerWay);

// Random, forged and control-character messages on the four server channels
// with episodes of forged daemon state, a held daemon mailbox and
// announcement floods, then: a GUI request still answered, the same process
// with its threads and handles back, no registry write outside the policy,
// every system-log record one line.
Figure RunHostileInput(Bench& bench, unsigned messages, uint32_t seed);

// Relay traffic both ways at full speed for `seconds`: footprint and message
// balance; then a stop under that traffic. Two figures.
std::vector<Figure> RunSoak(Bench& bench, unsigned seconds);

// How long a GUI may wait for the daemon it starts: the service itself waits
// up to 30 s for its alive signal.
constexpr DWORD kLaunchTimeoutMs = 40000;

}  // namespace reliability
