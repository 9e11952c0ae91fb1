// The supervised-process base: what the IKE supervisor (COrxIke) and the GUI
// broker (CGui) have in common, and the face of the service they reach
// through their Owner.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

enum OrxProcessState : int32_t {
    ORX_RUNNABLE_STATE = 0,
    ORX_INITIALIZATION_STATE = 1,
    ORX_WAITING_STATE = 2,
    ORX_READY_STATE = 3,
    ORX_HALT_STATE = 4,
    ORX_TERMINATED_STATE = 5,
    ORX_UNKNOWN_STATE = 6,
};

// The state's trace name; "UNKNOWN_STATE" for a value outside 0 to 6.
const char* ProcessStateName(int32_t state);

// Takes the channel out of its slot and closes it; false when the slot was
// already empty. The exchange makes a second closer find nothing to close.
bool CloseChannelOf(std::atomic<HANDLE>& slot);

// For the daemon, "not running" is TERMINATED or RUNNABLE.
constexpr bool IsNotRunningState(int32_t state) {
    return state == ORX_TERMINATED_STATE || state == ORX_RUNNABLE_STATE;
}

class COrxIke;
class CGui;

// Code of the last session-change event (0 until one arrives), copied into
// the daemon-status messages to the GUI. Written by the control handler's
// thread, read by the parts' threads: atomic, so no reader needs a lock.
extern std::atomic<DWORD> LastSessionEvent;

// What the two supervised parts reach through Owner: each other, and the
// service's operations for them. The starter service implements it; tests
// may put an owner of their own in its place.
class ProcessOwner {
public:
    virtual COrxIke& Ike() = 0;
    virtual CGui& Gui() = 0;
    // May load the configuration and start the daemon ("IkeStart").
    virtual void LoadConfiguration() = 0;
    // Stops the daemon as a requested stop.
    virtual void StopIke() = 0;

protected:
    ~ProcessOwner() = default;
};

constexpr size_t ORX_IMAGE_NAME_SIZE = 260;

// Fields shared across threads (receive threads, watchdogs, the service
// thread, the control handler) are single words: atomics, so that every read
// sees a whole value without a lock.
class CProcess {
public:
    virtual bool Run() = 0;
    virtual bool Stop() = 0;
    virtual bool Clear(uint8_t selector) = 0;
    virtual HANDLE InitClient(uint8_t flag) = 0;
    virtual HANDLE InitServer() = 0;

    std::atomic<int32_t> State{ORX_RUNNABLE_STATE};
    std::atomic<DWORD> ProcessId{0xFFFFFFFF};
    char ImageName[ORX_IMAGE_NAME_SIZE] = {};
    // Set by the service before either part opens a channel; read-only after.
    ProcessOwner* Owner = nullptr;
    std::atomic<HANDLE> WatchdogThread{nullptr};
    std::atomic<int32_t> SessionId{-1};
    std::atomic<bool> Connected{false};

protected:
    CProcess() = default;
    // Not virtual: the parts live by value inside the service. Closes the
    // last watchdog thread's handle; channels are not closed here.
    ~CProcess();
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    // Puts `thread` in WatchdogThread and closes the handle it replaces
    // (an earlier watchdog that has not yet let go of it).
    void AdoptWatchdogThread(HANDLE thread);
    // Called by a watchdog at its end: closes its own handle if it is still
    // the current one. Exactly one of this and AdoptWatchdogThread closes a
    // given handle.
    void ReleaseWatchdogThread(HANDLE ownThread);
};
