// The starter service: the program's one service object. It composes the IKE
// supervisor and the GUI broker, runs them, and stops them: a stop ends the
// daemon (even one still being launched), lets nothing launch again, and
// serves no channel once stopped is reported.
#pragma once

#include "orxstarter/Process.h"
#include "orxstarter/framework/NTService.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"

#include <windows.h>

class CService : public CNTService, public ProcessOwner {
public:
    CService();
    ~CService() override;

    void Run(DWORD argc, LPSTR* argv) override;
    void Stop() override;
    void Shutdown() override;
    void SessionChange(DWORD eventType) override;

    // ProcessOwner: what the supervised parts ask of the service.
    DaemonLink& Daemon() override { return ike_; }
    GuiLink& Gui() override { return gui_; }
    void LoadConfiguration() override;
    void StopIke() override;

private:
    // Opens both parts' server channels, the GUI broker's only after the
    // IKE supervisor's; false when either failed.
    bool OpenChannels();
    // The start's configuration load, with a new start-pending checkpoint
    // every 2 s while it waits for the daemon.
    void LoadConfigurationAtStart();
    // Both parts enter their stop: nothing launches from here on; the daemon
    // is ended and its end handled (bounded).
    void StopParts();
    // Every channel closed and every part's thread joined, before stopped is
    // reported.
    void CloseParts();
    // Wakes Run: sets the stop event if it exists.
    void SignalStop();
    // Waits for the stop event, taking waiting window messages after a
    // failed wait.
    void WaitForStop();
    // Stop and Shutdown run on another thread than Run (the console's, in
    // debug mode): Run waits for them before it returns, so the process
    // never ends under a running Stop.
    void BeginStopWork();
    void EndStopWork();
    void WaitForStopWork();

    // Members in construction order: the daemon's supervisor, then the GUI
    // broker; destroyed the other way round.
    COrxIke ike_;
    CGui gui_;
    SRWLOCK stopLock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE stopWorkDone_ = CONDITION_VARIABLE_INIT;
    int stopWork_ = 0;                     // Stop/Shutdown calls under way
    bool stopRequested_ = false;
    HANDLE stopEvent_ = nullptr;           // "OrxIkeStop", created by Run
    HANDLE aliveEvent_ = nullptr;          // "OrxIkeAlive", created by Run
};
