#include "orxstarter/ike/DaemonSupervisor.h"

namespace daemon_supervision {

bool State::operator==(const State& other) const {
    return phase == other.phase && generation == other.generation && reported == other.reported &&
           connected == other.connected && endRequested == other.endRequested &&
           terminateOnCreation == other.terminateOnCreation && stopping == other.stopping &&
           ikeextOurs == other.ikeextOurs && endReported == other.endReported;
}

LaunchDecision Supervisor::RequestLaunch() {
    if (state_.stopping) return LaunchDecision::Refused;
    switch (state_.phase) {
    case Phase::Launching: return LaunchDecision::InProgress;
    case Phase::Running: return state_.endReported ? LaunchDecision::Lingering : LaunchDecision::AlreadyRunning;
    case Phase::Idle:
        // A daemon the service did not launch (started by hand, say) that
        // says it runs is talked to, not doubled; its end is known only from
        // its own reports.
        if (!IsNotRunningState(state_.reported)) return LaunchDecision::AlreadyRunning;
        break;
    }
    state_.phase = Phase::Launching;
    ++state_.generation;
    state_.endRequested = false;
    state_.endReported = false;
    state_.terminateOnCreation = false;
    state_.connected = false;
    return LaunchDecision::Launch;
}

void Supervisor::IkeextSteppedAside(bool stopped) {
    if (stopped) state_.ikeextOurs = true;
}

Actions Supervisor::LaunchCreated(uint32_t generation) {
    Actions actions;
    actions.generation = generation;
    if (state_.phase != Phase::Launching || generation != state_.generation) {
        actions.terminate = true;  // not a launch we are waiting for: never kept
        return actions;
    }
    state_.phase = Phase::Running;
    actions.startWatchdog = true;
    if (state_.stopping || state_.terminateOnCreation) {
        state_.endRequested = true;
        actions.terminate = true;
    }
    return actions;
}

Actions Supervisor::LaunchFailed(uint32_t generation) {
    if (state_.phase != Phase::Launching || generation != state_.generation) return {};
    state_.phase = Phase::Idle;
    Actions actions;
    actions.generation = generation;
    actions.restoreIkeext = state_.ikeextOurs;
    state_.ikeextOurs = false;
    return actions;
}

Actions Supervisor::WatchdogFailed(uint32_t generation) { return LingeringExpired(generation); }

Actions Supervisor::LingeringExpired(uint32_t generation) {
    if (state_.phase != Phase::Running || generation != state_.generation) return {};
    return EndCurrent();
}

Actions Supervisor::EndCurrent() {
    Actions actions;
    actions.generation = state_.generation;
    if (state_.phase == Phase::Running) {
        state_.endRequested = true;
        actions.terminate = true;
    } else if (state_.phase == Phase::Launching) {
        state_.terminateOnCreation = true;
    }
    return actions;
}

Actions Supervisor::ProcessEnded(uint32_t generation) {
    if (state_.phase != Phase::Running || generation != state_.generation) return {};
    Actions actions;
    if (state_.reported == ORX_READY_STATE) {
        actions.tellGuiCrashed = true;
        if (state_.endRequested) {
            actions.logEvent = kEventDaemonStopped;
            actions.logLevel = kLevelNotice;
        } else {
            actions.logEvent = kEventDaemonCrashed;
            actions.logLevel = kLevelError;
            actions.logNumber = ORX_READY_STATE;
        }
    }
    const Actions cleared = Clear();
    actions.generation = generation;
    actions.closeClient = cleared.closeClient;
    actions.restoreIkeext = cleared.restoreIkeext;
    return actions;
}

Actions Supervisor::Clear() {
    Actions actions;
    actions.closeClient = true;
    actions.restoreIkeext = state_.ikeextOurs;
    state_.ikeextOurs = false;
    state_.connected = false;
    state_.reported = ORX_TERMINATED_STATE;
    state_.phase = Phase::Idle;
    return actions;
}

Actions Supervisor::DaemonReported(Report report) {
    Actions actions;
    actions.generation = state_.generation;
    const bool ours = state_.phase != Phase::Idle;
    switch (report) {
    case Report::StartedOk:
        state_.reported = ORX_INITIALIZATION_STATE;
        // Whoever serves "vpnike" is taken for the daemon, ours or not: any
        // local process can own that name before ours does (the channels are
        // open to every local user by design). The retries end with a stop.
        actions.connectClient = true;
        break;
    case Report::StartedWithError: state_.reported = ORX_UNKNOWN_STATE; break;
    case Report::Stopped:
    case Report::ReadyToDie:
        state_.reported = ORX_TERMINATED_STATE;
        if (ours) state_.endReported = true;
        break;
    case Report::Alive:
        state_.reported = ORX_READY_STATE;
        state_.connected = true;
        actions.setAlive = true;
        break;
    }
    return actions;
}

Actions Supervisor::StopDaemon() { return EndCurrent(); }

bool Supervisor::ResetStops() const { return state_.phase == Phase::Running && !state_.endReported; }

Actions Supervisor::BeginServiceStop() {
    state_.stopping = true;
    return EndCurrent();
}

bool Supervisor::DaemonRunning() const { return !IsNotRunningState(state_.reported); }

}  // namespace daemon_supervision
