// The GUI broker: the service's side of the VPN client's GUI instances
// (tunpanel.exe), one in a user session and one on the logon screen. GUIs
// announce themselves; the broker answers on a channel in their session,
// serves their requests or passes them to the daemon, watches their process,
// and relays messages from other processes to the GUI that announced itself
// last. Also home of the system log's settings operations.
#pragma once

#include "orxstarter/CallbackGate.h"
#include "orxstarter/Process.h"
#include "orxstarter/gui/GuiSlots.h"
#include "sysdep/Locks.h"
#include "sysdep/ThreadGroup.h"
#include "sysdep/WinHandles.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class ReceivedMessage;
struct IpcConfigReqMsg;
struct GuiRule;

// One configuration record of the configuration library.
constexpr size_t ORX_CFG_RECORD_SIZE = 852;
constexpr size_t ORX_CFG_RECORD_COUNT = 3;

class CGui : public CProcess, public GuiLink {
public:
    CGui();
    // Wakes and joins the GUI watchdogs and the callbacks still under way,
    // closes the GUI channels and releases the configuration records.
    ~CGui();

    // Ties the broker to its owner, before any channel opens.
    void Attach(ProcessOwner* owner) { Owner = owner; }

    bool Run() override;  // the service never launches the GUI
    // Closes the broker's three server channels once the callbacks under way
    // on them have returned (bounded): nothing is served after it.
    bool Stop() override;
    bool Clear(uint8_t selector) override;
    HANDLE InitClient(uint8_t logon) override;
    HANDLE InitServer() override;

    // Receive callback of "Global\vpnsrvcfg" and "Global\vpnsrvlogonui";
    // `context` is the broker. False only for a null message.
    static BOOL ReceiveMsg(void* message, DWORD length, void* context);
    // Receive callback of "Global\vpn2vpn": passes the message as it came to
    // the GUI that announced itself last.
    static BOOL ReceiveMsg2(void* message, DWORD length, void* context);
    // The announcement of a GUI (SET_GUI_INFOS). Always true.
    bool OnIHMConnect(DWORD processId, uint32_t watchdogRequest, int8_t connectType);

    // GuiLink.
    bool SendToGui(const void* message, DWORD length) override;
    bool GuiReady() override { return State.load() == ORX_READY_STATE; }

    // The service's stop: no request starts a daemon any more, a GUI's end
    // loads no configuration, and every wait of the broker is woken.
    void BeginStop();

    // What tests may look at.
    struct Snapshot {
        int32_t state;
        HANDLE userSlot;
        HANDLE logonSlot;
        HANDLE currentSlot;
        size_t watchedGuis;
        int32_t sessionId;
    };
    Snapshot Observe();
    // At most this many GUI processes are watched at once, however often
    // and however many announce themselves.
    static constexpr size_t kMaxWatchedGuis = 4;

    // Reads "SystemLogOutput", "SystemLogSyslogPort" and
    // "SystemLogSyslogServer" and switches the requested outputs on, then
    // logs event index 0. The process must have started Windows Sockets.
    static void InitLogsSystem();
    // Switches every output off; a settings change is UninitLogsSystem then
    // InitLogsSystem.
    static void UninitLogsSystem();
    // Fills the 128-byte `server` with "SystemLogSyslogServer". False when
    // the key or value is missing or holds 128 characters or more.
    static bool GetSyslogServer(char* server);

    unsigned char CfgRecords[ORX_CFG_RECORD_COUNT][ORX_CFG_RECORD_SIZE] = {};

private:
    using Salt = std::array<unsigned char, 32>;
    struct WatchdogArgs;
    struct Watched {
        DWORD processId;
        orx::UniqueHandle process;  // SYNCHRONIZE only
    };

    // ---- channels and sessions ----
    void RecordImageName(DWORD processId);
    // Under the clear lock: puts `channel` (the GUI `processId`'s) in the
    // slot of that kind and in CurrentUiSlot, and closes the one it replaces.
    void FillSlot(bool logon, HANDLE channel, DWORD processId);
    void TraceSlots(const char* when) const;
    // Clear's work, with clearLock_ held.
    void ClearLocked(uint8_t selector);
    void ClearVanished(gui_slots::Slot slot);
    void SendEmptyToGui(uint32_t code);
    bool PassToDaemon(const void* message, DWORD length);

    // ---- the watchdog ----
    void StartWatchdog(DWORD processId);
    bool AlreadyWatchedLocked(DWORD processId);
    static DWORD WINAPI WatchDogGui(void* argument);
    void OnGuiEnded(DWORD processId);
    void TellDaemonGuiVanished();
    void Unwatch(DWORD processId);

    // ---- the dispatcher ----
    void Dispatch(const GuiRule& rule, const ReceivedMessage& received, void* inPlace);
    void Act(const GuiRule& rule, const ReceivedMessage& received, void* inPlace);

    // ---- configuration requests ----
    bool OnVpnConfStarted(const ReceivedMessage& received);
    void SendIkeStatus();
    void SendStartedCopyToDaemon(const unsigned char* copy, DWORD length);
    bool OnConfRequest(const ReceivedMessage& received);
    uint32_t PerformConfOperation(IpcConfigReqMsg& request, const char*& label);
    void OnUpdateConfig(const void* message, DWORD length);
    void OnResetIke();

    // ---- the configuration-panel password ----
    void AnswerPanelRequest();
    void OnCfgPanelPwdResp(const unsigned char (&password)[256]);
    bool CheckPanelPassword(const unsigned char (&password)[256]);
    static bool GetCfgLockHash(unsigned char* output, const DWORD* size);
    static Salt GetCfgLockRandBytes();

    // ---- registry requests ----
    void OnRegWrite(const ReceivedMessage& received);
    void OnRegDelete(const ReceivedMessage& received);
    static void RegisterCredentialProvider();
    static void UnregisterCredentialProvider();

    // Client channels to the GUIs and the one every answer goes on, and the
    // process that announced each slot's GUI (0 once that GUI closed or was
    // cleared): changed under clearLock_, read whole by any thread.
    std::atomic<HANDLE> UserSessionUiSlot{nullptr};
    std::atomic<HANDLE> LogonUiSlot{nullptr};
    std::atomic<HANDLE> CurrentUiSlot{nullptr};
    gui_slots::Slots slotOwners_;
    SRWLOCK clearLock_ = SRWLOCK_INIT;

    std::atomic<HANDLE> CfgServerChannel{nullptr};
    std::atomic<HANDLE> RelayServerChannel{nullptr};
    std::atomic<HANDLE> LogonServerChannel{nullptr};
    std::atomic<int32_t> State{ORX_RUNNABLE_STATE};
    std::atomic<int32_t> SessionId{-1};
    std::atomic<bool> Connected{false};
    std::atomic<int32_t> ConnectType{0};

    std::atomic<bool> stopping_{false};
    orx::UniqueHandle quit_;  // set by BeginStop: ends the broker's waits and its watchdogs
    SRWLOCK watchLock_ = SRWLOCK_INIT;
    std::vector<Watched> watched_;
    CallbackGate callbacks_;
    orx::ThreadGroup watchdogs_;
};
