// The supervised-process base: what the IKE supervisor (COrxIke) and the GUI
// broker (CGui) have in common, and the face of the service they reach
// through their owner.
#pragma once

#include "orxstarter/PartLinks.h"
#include "orxstarter/ProcessState.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

// The state's trace name; "UNKNOWN_STATE" for a value outside 0 to 6.
const char* ProcessStateName(int32_t state);

// Takes the channel out of its slot and closes it; false when the slot was
// already empty. The exchange makes a second closer find nothing to close.
bool CloseChannelOf(std::atomic<HANDLE>& slot);

// Code of the last session-change event (0 until one arrives), copied into
// the daemon-status messages to the GUI. Written by the control handler's
// thread, read by the parts' threads: atomic, so no reader needs a lock.
extern std::atomic<DWORD> LastSessionEvent;

// What the two supervised parts reach through their owner: each other's
// link, and the service's operations for them. The starter service
// implements it; tests may put an owner of their own in its place.
class ProcessOwner {
public:
    virtual DaemonLink& Daemon() = 0;
    virtual GuiLink& Gui() = 0;
    // May load the configuration and start the daemon ("IkeStart").
    virtual void LoadConfiguration() = 0;
    // Stops the daemon as a requested stop.
    virtual void StopIke() = 0;

protected:
    ~ProcessOwner() = default;
};

constexpr size_t ORX_IMAGE_NAME_SIZE = 260;

class CProcess {
public:
    virtual bool Run() = 0;
    virtual bool Stop() = 0;
    virtual bool Clear(uint8_t selector) = 0;
    virtual HANDLE InitClient(uint8_t flag) = 0;
    virtual HANDLE InitServer() = 0;

protected:
    CProcess() = default;
    // Not virtual: the parts live by value inside the service.
    ~CProcess() = default;
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    // Set by the service before either part opens a channel; read-only after.
    ProcessOwner* Owner = nullptr;
    std::atomic<DWORD> ProcessId{0xFFFFFFFF};
    char ImageName[ORX_IMAGE_NAME_SIZE] = {};
};
