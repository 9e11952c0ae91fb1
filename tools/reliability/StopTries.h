// What the stop scenarios share: each try starts the service, brings it to
// the moment the stop must meet, stops it, and once the service's process
// has ended counts the daemons it left (ending them, so that the next try
// starts without).
#pragma once

#include "tests/support/RunningService.h"
#include "tools/reliability/Figure.h"

#include <string>
#include <vector>

namespace reliability {

class StopTally {
public:
    // Stops `service` and waits for its process to end.
    void Stop(testing_support::RunningService& service);
    // Counts the daemons left, then ends them.
    void CountLeft();

    // "0 daemons left in 50 (process gone after median 160 ms, max 320 ms)",
    // `note` inside the parentheses after that; holds when no try left a
    // daemon, every stop was within its hint, and `alsoHolds`.
    Figure ToFigure(const std::string& label, const std::string& note, bool alsoHolds) const;

private:
    std::vector<int> left_;
    std::vector<double> goneMs_;
    bool allInHint_ = true;
};

}  // namespace reliability
