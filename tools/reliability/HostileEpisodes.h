// The episodes of the hostile input (FuzzMessages' EpisodeAt), played against
// the running service and its real daemon stand-in: forged daemon state with
// a daemon running followed by a GUI request that launches, the daemon's
// mailbox held while GUI requests come, and floods of announcements that ask
// for a watchdog on a live process, which ends once the service has counted
// its threads (so every watchdog acts at once).
#pragma once

#include "tests/support/ClientChannel.h"
#include "tools/reliability/FuzzMessages.h"

#include <windows.h>

#include <string>

namespace reliability {

using testing_support::ClientChannel;

struct EpisodeTally {
    unsigned forged = 0;         // forged daemon messages sent
    unsigned launchRequests = 0; // GUI requests that may launch, sent
    unsigned holds = 0;          // times the daemon's mailbox was held
    unsigned floods = 0;
    unsigned announcements = 0;  // with the watch flag, naming the live process
    DWORD threadsBeforeFloods = 0;
    DWORD threadsAfterFloods = 0;  // the most seen right after a flood
    unsigned floodsSettled = 0;    // floods after which the threads came back within 10 once the process ended
    std::string problem;           // the first thing that could not be done
};

class EpisodeDriver {
public:
    // `serviceId`: whose threads to count.
    explicit EpisodeDriver(DWORD serviceId);
    EpisodeDriver(const EpisodeDriver&) = delete;
    EpisodeDriver& operator=(const EpisodeDriver&) = delete;

    void Play(const Episode& episode);
    const EpisodeTally& tally() const { return tally_; }

private:
    bool EnsureDaemonRunning();
    void ForgeDaemonState(const Episode& episode);
    void HoldDaemonMailbox(const Episode& episode);
    void FloodAnnouncements();
    void Note(const std::string& problem);

    DWORD serviceId_;
    ClientChannel cfg_;
    ClientChannel logon_;
    ClientChannel daemonSide_;  // the service's channel for the daemon
    EpisodeTally tally_;
    unsigned played_ = 0;  // episodes begun, for the problem's text
};

// Announcements naming a live process: how many a flood sends.
constexpr unsigned kFloodAnnouncements = 300;

}  // namespace reliability
