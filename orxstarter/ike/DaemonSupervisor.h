// The IKE supervisor's decisions, without any OS call: which launch request
// starts a daemon, what the daemon's reports change, what its process end
// does, and what a stop ends. The Win32 shell (COrxIke) feeds it events under
// one lock and carries out the actions it returns, outside that lock.
//
// The daemon is known by a generation number, one per process created; the
// shell keeps that process's handle beside it. An event about an older
// generation changes nothing, so a replaced daemon can never act on its
// successor.
#pragma once

#include "orxstarter/ProcessState.h"

#include <cstdint>

namespace daemon_supervision {

enum class Phase : uint8_t {
    Idle,       // no process of ours
    Launching,  // a launch was decided; its process is not created yet
    Running,    // a process of ours has not been seen to end
};

enum class LaunchDecision : uint8_t {
    Launch,          // step IKEEXT aside, then create the process
    AlreadyRunning,  // ours runs and has not said it ends, or another says it runs
    Lingering,       // ours runs but said it ends: wait for it (bounded), then replace it
    InProgress,      // another launch is under way
    Refused,         // the service is stopping
};

// What the shell does after an event, in this order: terminate, start the
// watchdog, close the client channel, tell the GUI, log, restore IKEEXT.
struct Actions {
    uint32_t generation = 0;      // the process the actions are about
    bool terminate = false;       // TerminateProcess on that process's handle
    bool startWatchdog = false;
    bool connectClient = false;   // open "vpnike" (retries until a stop, or the end of ours)
    bool closeClient = false;
    bool setAlive = false;        // signal the launcher's alive wait
    bool tellGuiCrashed = false;  // ORXIKE_CRASHED, then the not-running status form
    uint32_t logEvent = 0;        // system-log event index, 0 for none
    int32_t logLevel = 0;
    int32_t logNumber = 0;
    bool restoreIkeext = false;
};

// The daemon's reports that change what the supervisor knows.
enum class Report : uint8_t { StartedOk, StartedWithError, Stopped, Alive, ReadyToDie };

struct State {
    Phase phase = Phase::Idle;
    uint32_t generation = 0;        // of the current or last process
    int32_t reported = ORX_RUNNABLE_STATE;  // as the daemon's messages say
    bool connected = false;         // the alive handshake of the current process
    bool endRequested = false;      // its end was asked for: event 7, not 10
    bool endReported = false;       // it said it stops (ORXIKE_STOPPED, ORXIKE_READY_TO_DIE)
    bool terminateOnCreation = false;
    bool stopping = false;          // the service stops: nothing launches any more
    bool ikeextOurs = false;        // we stepped IKEEXT aside and owe its restore

    bool operator==(const State& other) const;
};

constexpr uint32_t kEventDaemonStopped = 7;
constexpr uint32_t kEventDaemonCrashed = 10;
constexpr int32_t kLevelError = 3;
constexpr int32_t kLevelNotice = 5;

class Supervisor {
public:
    const State& state() const { return state_; }

    // A request to have a daemon (start-up, a GUI's start, update or reset,
    // a GUI's end). On Launch the new generation is state().generation.
    LaunchDecision RequestLaunch();
    // The shell stepped IKEEXT aside before creating the process; `stopped`
    // when it did stop it (it is ours to restore).
    void IkeextSteppedAside(bool stopped);
    // The launch's process exists (watchdog to start; terminated at once when
    // a stop came meanwhile) or could not be created.
    Actions LaunchCreated(uint32_t generation);
    Actions LaunchFailed(uint32_t generation);
    // The watchdog of a created process could not start: nothing would see
    // its end, so the process is ended now.
    Actions WatchdogFailed(uint32_t generation);
    // A lingering daemon did not end within the grace time: it is ended.
    Actions LingeringExpired(uint32_t generation);
    // The process of `generation` has ended. Reported by its watchdog, or by
    // whoever waited for it first; a second report changes nothing.
    Actions ProcessEnded(uint32_t generation);
    // A message on the daemon's channel, forged or not.
    Actions DaemonReported(Report report);
    // A requested stop of the daemon (the GUI's reset).
    Actions StopDaemon();
    // The GUI's reset: stop a daemon that runs, else launch one.
    bool ResetStops() const;
    // The service stops or shuts down: from now on nothing launches, and the
    // daemon (created or still being created) is ended.
    Actions BeginServiceStop();

    // The daemon counts as running for the GUI when its reports say so
    // (neither TERMINATED nor RUNNABLE), ours or one started by hand.
    bool DaemonRunning() const;
    bool Connected() const { return state_.connected; }

private:
    Actions EndCurrent();
    Actions Clear();

    State state_;
};

}  // namespace daemon_supervision
