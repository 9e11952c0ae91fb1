// What the supervisor does with each message the daemon sends on
// "vpnsrvike": pure rules, no OS calls.
#pragma once

#include <cstdint>

enum class DaemonAction : uint8_t {
    StartedWithError,  // State UNKNOWN, relayed, event 6 at level 3
    Started,           // State INITIALIZATION, connect to "vpnike", event 6
    Stopped,           // State TERMINATED, event 7
    Relay,             // passed to the GUI as received
    Alive,             // State READY, Connected, alive event, status to the GUI
    SilentNotify,      // relayed only while the GUI is ready; never traced
    SystemLog,         // a system-log event the message describes
    ReadyToDie,        // State TERMINATED, not-running status to the GUI
    Remain,            // not-running status to the GUI, State unchanged
    Unknown,           // traced only
};

struct DaemonRule {
    DaemonAction action;
    // The handler's trace line; null for none. "%d" (State) or "%08X"/"%X"
    // (error code or type) where the line shows one.
    const char* trace;
    enum class TraceArg : uint8_t { None, State, ErrorCode, Type } traceArg;
};

// `errorCode` is the word at offset 16, read only for ORXIKE_STARTED.
DaemonRule RuleForDaemonMessage(uint32_t type, uint32_t errorCode);
