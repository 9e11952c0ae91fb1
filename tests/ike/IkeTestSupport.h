// What the IKE supervisor's tests play: the GUI's channel (collecting what
// the supervisor sends it), the owner of the parts, the daemon stand-in's
// settings and journal, and the system log's file.
#pragma once

#include "orxstarter/Process.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"
#include "tests/support/PartsOwner.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace ike_test {

struct Received {
    uint32_t type = 0;
    DWORD length = 0;
    std::string bytes;
    uint32_t Word(size_t offset) const;
};

// A server channel standing in for a GUI's own channel.
class ChannelSink {
public:
    explicit ChannelSink(const std::string& name);
    ~ChannelSink();
    HANDLE handle() const { return server_; }
    // The next message within `timeoutMs`; false when none came.
    bool Next(Received& out, DWORD timeoutMs = 10000);
    // True when nothing arrives within `ms`.
    bool Quiet(DWORD ms);

private:
    static BOOL OnMessage(void* message, DWORD length, void* context);
    HANDLE server_ = nullptr;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Received> queue_;
};

// The system log's file output, switched on in a fresh directory for the
// life of the object.
class SystemLogFile {
public:
    SystemLogFile();
    ~SystemLogFile();
    std::string Text() const;
    // Waits until the log holds "[<event number>]".
    bool WaitForEvent(uint32_t eventNumber, DWORD timeoutMs = 10000) const;

private:
    std::string dir_;
};

// The daemon stand-in's files beside it (build/bin): its settings, written
// for the life of the object, and its journal.
class DaemonStandin {
public:
    explicit DaemonStandin(const std::string& settings = "", const std::string& dir = testing_support::BinPath(""));
    ~DaemonStandin();
    std::string Journal(const std::string& image = "orxike") const;
    bool WaitForJournal(const std::string& text, DWORD timeoutMs = 10000, const std::string& image = "orxike") const;

private:
    std::string dir_;
};

// Waits up to `timeoutMs` for `condition`.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
    return true;
}

// How many processes run the image `image` ("orxike.exe").
int CountProcesses(const char* image);

// Build/bin without its trailing backslash, as "Path" holds it.
std::string BinDir();

}  // namespace ike_test
