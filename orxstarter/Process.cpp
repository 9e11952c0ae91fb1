#include "orxstarter/Process.h"

#include "common/orxinterps/src/interps.h"

std::atomic<DWORD> LastSessionEvent{0};

const char* ProcessStateName(int32_t state) {
    static const char* const kNames[] = {
        "ORX_RUNNABLE_STATE", "ORX_INITIALIZATION_STATE", "ORX_WAITING_STATE", "ORX_READY_STATE",
        "ORX_HALT_STATE",     "ORX_TERMINATED_STATE",     "ORX_UNKNOWN_STATE",
    };
    if (state < 0 || state > ORX_UNKNOWN_STATE) return "UNKNOWN_STATE";
    return kNames[state];
}

bool CloseChannelOf(std::atomic<HANDLE>& slot) {
    HANDLE channel = slot.exchange(nullptr);
    if (channel == nullptr) return false;
    IPCUnitialize(channel);
    return true;
}
