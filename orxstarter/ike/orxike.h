// The IKE supervisor: launches the IKE daemon hidden, steps the system's
// IKEEXT service aside while it runs, talks to it over "vpnike" (to the
// daemon) and "vpnsrvike" (from it), relays what the GUI must see, and
// notices the daemon's end through a watchdog thread.
//
// Every decision (launch or not, what a report or an end changes, what a
// stop ends) is taken by the pure DaemonSupervisor under stateLock_; this
// class carries out the actions it returns.
#pragma once

#include "orxstarter/CallbackGate.h"
#include "orxstarter/Process.h"
#include "orxstarter/ike/DaemonSupervisor.h"
#include "sysdep/ThreadGroup.h"
#include "sysdep/WinHandles.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class ReceivedMessage;

class COrxIke : public CProcess, public DaemonLink {
public:
    // Picks the image name once: "orxikeng.exe" when IkeV2 is configured.
    COrxIke();
    // Ends and joins the watchdogs and the callbacks still under way.
    ~COrxIke();

    // Ties the supervisor to its owner and to "OrxIkeAlive" (manual reset,
    // kept by the caller), before any channel opens.
    void Attach(ProcessOwner* owner, HANDLE aliveEvent);

    // Launches the daemon unless one of ours runs; true when one runs now.
    bool Run() override;
    // Terminates the daemon of ours as a requested stop, waits up to 2 s for
    // its end and restores IKEEXT; false when none runs.
    bool Stop() override;
    // After the daemon's end: channel to it closed, IKEEXT restored when we
    // stopped it.
    bool Clear(uint8_t selector) override;
    // Connects to the daemon's channel "vpnike", up to 360 tries a second
    // apart; gives up at once when the service stops or the daemon ends.
    HANDLE InitClient(uint8_t ignored) override;
    // Creates the service's channel "vpnsrvike" for the daemon's messages.
    HANDLE InitServer() override;

    // DaemonLink.
    bool SendToDaemon(const void* message, DWORD length) override;
    bool DaemonConnected() override;
    bool DaemonRunning() override;
    DaemonStart StartDaemon() override;

    // The service's stop: from here on nothing launches; the daemon, running
    // or being created, is ended as a requested stop; every wait is woken.
    void BeginStop();
    // Waits until no daemon of ours runs and its end has been handled (GUI
    // told, IKEEXT restored); false when `timeoutMs` passed first.
    bool WaitDaemonGone(DWORD timeoutMs);
    // Closes "vpnsrvike", waits for its callback under way and joins the
    // watchdogs; false when one of them did not end in time.
    bool CloseChannels(DWORD timeoutMs);

    static bool IsIkeV2();
    // Mode 0 before a launch: IKEEXT disabled and stopped when it runs (true
    // when this call stopped it). Mode 1 after the daemon's end: set to
    // automatic and started again unless it runs or is starting.
    bool HandleIkeext(int mode);

    // Receive callback of "vpnsrvike"; `context` is the supervisor.
    static BOOL ReceiveMsg(void* message, DWORD length, void* context);
    // Tells the GUI the daemon's status (the status form); always true.
    bool AlertVPNCONFaboutORXIKE(bool started, bool already);

    // What tests and the trace may look at.
    struct Snapshot {
        int32_t state;
        bool connected;
        bool clientOpen;
        bool ikeextOurs;
        bool stopping;
        DWORD processId;
        const char* imageName;
    };
    Snapshot Observe();

private:
    using Actions = daemon_supervision::Actions;
    using ProcessHandle = std::shared_ptr<orx::UniqueHandle>;
    struct WatchdogArgs;

    // ---- launch ----
    DaemonStart Launch(uint32_t generation);
    void AwaitLingering(uint32_t generation, const ProcessHandle& process);
    bool StartWatchdog(uint32_t generation, const ProcessHandle& process);
    DaemonStart AwaitAlive(const ProcessHandle& process);

    // ---- decisions and their effects ----
    // Runs `decide` on the supervisor under the lock and carries out what it
    // returns. IKEEXT work is ordered as it was decided: its lock is taken
    // before the state lock is let go.
    using Decide = std::function<Actions(daemon_supervision::Supervisor&)>;
    void Act(const Decide& decide);
    void CarryOut(const Actions& actions, const ProcessHandle& process, HANDLE clientToClose);
    ProcessHandle ProcessOfLocked(uint32_t generation) const;
    void EndedAfterWait(uint32_t generation, const ProcessHandle& process, DWORD timeoutMs);
    bool SwitchIkeext(int mode);

    // ---- the watchdog ----
    static DWORD WINAPI WatchDogIke(void* argument);
    void onIkeCrashed();

    // ---- messages ----
    void SendToGui(const void* message, DWORD length);
    void HandleMessage(const ReceivedMessage& received, const void* inPlace);
    void LogIkeext(uint32_t eventIndex, int32_t level, DWORD number);
    int32_t ReportedState();

    SRWLOCK stateLock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    daemon_supervision::Supervisor machine_;
    // Decisions whose effects are still being carried out: a stop waits for
    // them, so the GUI hears of the daemon's end before it hears of the stop.
    int effectsUnderWay_ = 0;
    // The process of generation daemonGeneration_, from its creation on;
    // shared with its watchdog, so it is never closed while either uses it.
    uint32_t daemonGeneration_ = 0;
    ProcessHandle daemon_;
    // Launches one at a time; taken by launchers only, never by a stop.
    SRWLOCK launchLock_ = SRWLOCK_INIT;
    // IKEEXT changes in the order they were decided.
    SRWLOCK ikeextLock_ = SRWLOCK_INIT;

    std::atomic<HANDLE> clientChannel_{nullptr};
    std::atomic<HANDLE> serverChannel_{nullptr};
    HANDLE aliveEvent_ = nullptr;
    orx::UniqueHandle quit_;          // set by BeginStop: ends every wait
    orx::UniqueHandle releaseWatchdogs_;  // set at destruction only
    CallbackGate callbacks_;
    orx::ThreadGroup watchdogs_;
};
