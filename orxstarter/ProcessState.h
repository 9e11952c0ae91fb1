// The process state of a supervised program (the daemon or a GUI), as its
// own messages report it. No OS types: the pure rules use it too.
#pragma once

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

// For the daemon, "not running" is TERMINATED or RUNNABLE.
constexpr bool IsNotRunningState(int32_t state) {
    return state == ORX_TERMINATED_STATE || state == ORX_RUNNABLE_STATE;
}
