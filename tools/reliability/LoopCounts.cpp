#include "tools/reliability/LoopCounts.h"

#include "tests/support/ProcessProbe.h"
#include "tests/support/Wait.h"

namespace reliability {

namespace {

// A watchdog that tells a GUI about the daemon's end may still wait 2 s for
// its mailbox when the last round is over.
constexpr DWORD kSettleMs = 5000;

}  // namespace

ThreadsAndHandles ReadCounts(DWORD processId) {
    ThreadsAndHandles counts;
    counts.threads = testing_support::ThreadCount(processId);
    counts.handles = testing_support::HandleCount(processId);
    counts.ok = counts.threads != 0 && counts.handles != 0;
    return counts;
}

LoopCounts::LoopCounts(DWORD processId) : processId_(processId), before_(ReadCounts(processId)) {}

Figure LoopCounts::AddTo(Figure figure) const {
    ThreadsAndHandles after;
    testing_support::WaitUntil(
        [&] {
            after = ReadCounts(processId_);
            return BackWhereTheyStarted(before_, after);
        },
        kSettleMs);
    figure.result += "; " + CountsText(before_, after);
    figure.holds = figure.holds && BackWhereTheyStarted(before_, after);
    return figure;
}

}  // namespace reliability
