// What every scenario stands on, set up once for a run and undone at its
// end whatever happens: the service's settings (every value it reads is
// removed and the run's own are set; all are put back afterwards), the run's
// folder with the daemon stand-in's copy, and the service installed with its
// own "-i" (stopped and removed afterwards, leftovers of an earlier run
// first).
#pragma once

#include "tests/support/InstalledService.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <string>

namespace reliability {

// The run's folder, emptied when the run starts and removed when it ends
// (kept, when asked, for the trace it holds), after any daemon launched from
// it has been ended.
class RunFolder {
public:
    explicit RunFolder(bool keep);
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

private:
    bool keep_;
};

class Bench {
public:
    struct Setup {
        bool trace = false;  // the run's folder is then kept, with the trace
        std::string crashLog;
    };
    explicit Bench(const Setup& setup);

    bool ready() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }
    testing_support::ScopedServiceSettings& settings() { return settings_; }

    // Where the crash log ends now, and the first crash Wine reported in it
    // after that mark (empty when none; always empty without a crash log).
    size_t CrashLogMark() const;
    std::string CrashSince(size_t mark) const;

private:
    testing_support::KeyLeftAsFound appPathsKey_;
    testing_support::ScopedServiceSettings settings_;
    RunFolder folder_;
    testing_support::ScopedServiceRemoval removal_;  // undone first
    std::string crashLog_;
    std::string problem_;
};

}  // namespace reliability
