// The daemon stand-in's files beside it (build/bin): its settings, written
// for the life of the object, and its journal of what it received.
#pragma once

#include "tests/support/Processes.h"

#include <windows.h>

#include <string>

namespace testing_support {

class DaemonStandin {
public:
    explicit DaemonStandin(const std::string& settings = "", const std::string& dir = BinPath(""));
    ~DaemonStandin();
    DaemonStandin(const DaemonStandin&) = delete;
    DaemonStandin& operator=(const DaemonStandin&) = delete;

    std::string Journal(const std::string& image = "orxike") const;
    bool WaitForJournal(const std::string& text, DWORD timeoutMs = 10000, const std::string& image = "orxike") const;

private:
    std::string dir_;
};

}  // namespace testing_support
