// The IKE supervisor: launches the IKE daemon hidden, steps the system's
// IKEEXT service aside while it runs, talks to it over "vpnike" (to the
// daemon) and "vpnsrvike" (from it), relays what the GUI must see, and
// notices the daemon's end through a watchdog thread.
#pragma once

#include "orxstarter/Process.h"
#include "sysdep/Locks.h"
#include "sysdep/WinHandles.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

class ReceivedMessage;

class COrxIke : public CProcess {
public:
    // Picks the image name once: "orxikeng.exe" when IkeV2 is configured.
    COrxIke();
    ~COrxIke();

    // Launches the daemon and waits up to 30 s for its alive signal. The
    // caller has decided that no daemon runs. True when the process was created.
    bool Run() override;
    // Terminates the daemon launched last (through the handle kept since its
    // creation, never by a process id that may have been reused).
    bool Stop() override;
    // Resets after the daemon's end: channel to it closed, IKEEXT restored.
    bool Clear(uint8_t selector) override;
    // Connects to the daemon's channel "vpnike", up to 360 tries a second apart.
    HANDLE InitClient(uint8_t ignored) override;
    // Creates the service's channel "vpnsrvike" for the daemon's messages.
    HANDLE InitServer() override;

    static bool IsIkeV2();
    // Waits (at most `timeoutMs`) for a watchdog that is handling a daemon's
    // end: it sends to the GUI through Owner, so the service must outlive it.
    // A watchdog still waiting on a live daemon is not waited for.
    void WaitForEndingWatchdog(DWORD timeoutMs);
    // Mode 0 before a launch: IKEEXT disabled and stopped when it runs.
    // Mode 1 after the daemon's end: set to automatic and started again,
    // only if we stopped it.
    void HandleIkeext(int mode);

    // Receive callback of "vpnsrvike"; `context` is the supervisor.
    static BOOL ReceiveMsg(void* message, DWORD length, void* context);
    // Tells the GUI the daemon's status (the status form); always true.
    bool AlertVPNCONFaboutORXIKE(bool started, bool already);

    // Channels: the client one is replaced per daemon and read by the GUI
    // broker's threads; atomics so a reader never sees half a pointer.
    std::atomic<HANDLE> IkeChannel{nullptr};
    std::atomic<HANDLE> IkeServerChannel{nullptr};
    // "OrxIkeAlive", created by the service before any launch (manual reset).
    HANDLE hAliveEvent = nullptr;
    std::atomic<bool> IkeextStopped{false};
    std::atomic<bool> StopRequested{false};

private:
    struct WatchdogArgs;
    static DWORD WINAPI WatchDogIke(void* argument);
    void OnDaemonEnded(const WatchdogArgs& args);
    void onIkeCrashed();
    // Sends one message to the GUI that announced itself last; the result is
    // only traced by the channel library.
    void SendToGui(const void* message, DWORD length);
    void HandleMessage(const ReceivedMessage& received, const void* inPlace);
    bool StartWatchdog(const std::shared_ptr<orx::UniqueHandle>& process);
    void LogIkeext(uint32_t eventIndex, int32_t level, DWORD number);
    std::shared_ptr<orx::UniqueHandle> CurrentDaemon();

    // The daemon's process handle, from CreateProcessA until its watchdog has
    // cleared it. Shared: Stop and the watchdog each hold a reference, so the
    // handle is never closed while one of them uses it.
    SRWLOCK daemonLock_ = SRWLOCK_INIT;
    std::shared_ptr<orx::UniqueHandle> daemon_;
    // Launches are serialized: two GUI channels may ask at once, and there is
    // never more than one daemon.
    SRWLOCK launchLock_ = SRWLOCK_INIT;
    SRWLOCK ikeextLock_ = SRWLOCK_INIT;
};
