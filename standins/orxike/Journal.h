// The IKE daemon stand-in's journal: one stamped line per event, appended to
// its file and echoed on standard output unless told not to, flushed at once
// (tests read the file while the daemon runs). Safe to use from several
// threads.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace orxike_standin {

class Journal {
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Opens `path` for appending; false when it cannot be.
    bool Open(const std::string& path);
    // Whether lines go to standard output too (they do until told not to).
    void EchoToConsole(bool echo);
    void Write(const std::string& text);
    // Off: lines go to the file only. Under Wine every line on a console is a
    // round trip to conhost, which holds the daemon to a few messages a second.
    void SetEcho(bool on);

private:
    std::mutex lock_;
    std::FILE* file_ = nullptr;
    bool echo_ = true;
};

}  // namespace orxike_standin
