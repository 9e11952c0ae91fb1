// The starter service: the program's one service object.
#pragma once

#include "orxstarter/framework/NTService.h"

#include <atomic>
#include <mutex>

// Code of the last session-change event (0 until one arrives). Written by the
// control handler's thread and read by others: one aligned word, atomic so
// that readers never need a lock.
extern std::atomic<DWORD> LastSessionEvent;

class CService : public CNTService {
public:
    CService();
    ~CService() override;

    void Run(DWORD argc, LPSTR* argv) override;
    void Stop() override;
    void Shutdown() override;
    void SessionChange(DWORD eventType) override;

private:
    // Wakes Run: sets the stop event if it exists. The lock keeps Run from
    // closing the event while a stop (or a second Ctrl+C) sets it.
    void SignalStop();
    // Waits for the stop event, taking waiting window messages after a
    // failed wait.
    void WaitForStop();

    std::mutex stopEventLock_;
    HANDLE stopEvent_ = nullptr;            // "OrxIkeStop", created by Run
    std::atomic<bool> stopRequested_{false};
};

extern CService theService;
