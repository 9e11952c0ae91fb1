// The GUI broker: the service's side of the VPN client's GUI instances
// (tunpanel.exe), one in a user session and one on the logon screen. GUIs
// announce themselves; the broker answers on a channel in their session,
// serves their requests or passes them to the daemon, watches their process,
// and relays messages from other processes to the GUI that announced itself
// last. Also home of the system log's settings operations.
#pragma once

#include "orxstarter/Process.h"
#include "sysdep/WinHandles.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>

class ReceivedMessage;
struct IpcConfigReqMsg;
struct GuiRule;

// One configuration record of the configuration library.
constexpr size_t ORX_CFG_RECORD_SIZE = 852;
constexpr size_t ORX_CFG_RECORD_COUNT = 3;

class CGui : public CProcess {
public:
    CGui();
    // Releases the configuration records; wakes and waits for the GUI
    // watchdogs still waiting, so none outlives the broker.
    ~CGui();

    bool Run() override;  // the service never launches the GUI
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

    // Client channels to the GUIs and the one every answer goes on. Read by
    // the IKE supervisor's threads while the broker's threads change them:
    // atomics, each a whole handle.
    std::atomic<HANDLE> UserSessionUiSlot{nullptr};
    std::atomic<HANDLE> LogonUiSlot{nullptr};
    std::atomic<HANDLE> CurrentUiSlot{nullptr};
    std::atomic<HANDLE> CfgServerChannel{nullptr};
    std::atomic<HANDLE> RelayServerChannel{nullptr};
    std::atomic<HANDLE> LogonServerChannel{nullptr};
    std::atomic<int32_t> ConnectType{0};
    std::atomic<bool> IkeStatusPending{false};
    unsigned char CfgRecords[ORX_CFG_RECORD_COUNT][ORX_CFG_RECORD_SIZE] = {};

private:
    using Salt = std::array<unsigned char, 32>;
    struct WatchdogArgs;

    // ---- channels and sessions ----
    void RecordImageName(DWORD processId);
    // Under the clear lock: closes the channel of the slot of that kind ...
    void CloseSlot(bool logon);
    // ... and puts `channel` in it and in CurrentUiSlot.
    void FillSlot(bool logon, HANDLE channel);
    void TraceSlots(const char* when) const;
    bool SendToGui(const void* message, DWORD length);
    void SendEmptyToGui(uint32_t code);
    bool PassToDaemon(const void* message, DWORD length);

    // ---- the watchdog ----
    void StartWatchdog(DWORD processId);
    static DWORD WINAPI WatchDogGui(void* argument);
    void OnGuiEnded(WatchdogArgs& args);
    void TellDaemonGuiVanished();
    void FinishWatchdog(HANDLE ownThread);

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

    // Woken when the broker goes, so that no watchdog outlives it.
    orx::UniqueHandle watchdogQuit_;
    std::atomic<int> liveWatchdogs_{0};
};
