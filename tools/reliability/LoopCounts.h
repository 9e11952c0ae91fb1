// The service's threads and handles read before a loop of rounds (when the
// object is made) and after it, added to the loop's figure: it holds only
// when they are back where they started.
#pragma once

#include "tools/reliability/Figure.h"
#include "tools/reliability/ThreadsAndHandles.h"

#include <windows.h>

namespace reliability {

// The process's threads and handles now.
ThreadsAndHandles ReadCounts(DWORD processId);

class LoopCounts {
public:
    explicit LoopCounts(DWORD processId);

    // Reads the counts again (waiting up to a few seconds for what the last
    // round is still letting go), and adds them to `figure`.
    Figure AddTo(Figure figure) const;

private:
    DWORD processId_;
    ThreadsAndHandles before_;
};

}  // namespace reliability
