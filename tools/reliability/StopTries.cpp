#include "tools/reliability/StopTries.h"

#include "tests/support/ProcessProbe.h"
#include "tests/support/Stats.h"
#include "tools/reliability/DaemonCounts.h"
#include "tools/reliability/RunFiles.h"

#include <algorithm>

namespace reliability {

using namespace testing_support;

void StopTally::Stop(RunningService& service) {
    const StopTimes times = service.Stop();
    allInHint_ = allInHint_ && StoppedWithinHint(times);
    if (times.goneMs >= 0) goneMs_.push_back(times.goneMs);
}

void StopTally::CountLeft() {
    const std::vector<DWORD> daemons = ProcessIdsOf("orxike.exe", DaemonDir());
    left_.push_back(static_cast<int>(daemons.size()));
    for (DWORD id : daemons) KillProcess(id);
}

Figure StopTally::ToFigure(const std::string& label, const std::string& note, bool alsoHolds) const {
    const double longest = goneMs_.empty() ? 0 : *std::max_element(goneMs_.begin(), goneMs_.end());
    const std::string stops = allInHint_ ? "" : ", not every stop within its 15 s hint";
    return {label,
            NoneLeftText(left_) + " (process gone after median " + Duration(Median(goneMs_)) + ", max " +
                Duration(longest) + stops + (note.empty() ? "" : "; " + note) + ")",
            EveryTryCounted(left_, 0) && allInHint_ && alsoHolds};
}

}  // namespace reliability
