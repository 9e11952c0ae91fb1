// Windows-service machinery around the program's one service object: the
// command line (install, remove, start, stop, debug), the conversation with
// the service control manager, and the foreground debug modes. The work
// itself is done by the virtual operations a derived class overrides.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class CNTService;

// The one service object; set by its constructor, cleared by its destructor.
// The callbacks that the system calls without a context reach it through this.
extern CNTService* ServiceInstance;

void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
DWORD WINAPI ServiceCtrl(DWORD controlCode, DWORD eventType, LPVOID eventData, LPVOID context);
BOOL WINAPI ControlHandler(DWORD consoleEvent);
LRESULT CALLBACK _FacelessWndProc_(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OpenConsole(CNTService* service);
// The system's text for GetLastError(), without its line end; empty when
// there is none or it does not fit with room to spare.
char* FormatLastError(char* buffer, DWORD size);

class CNTService {
public:
    CNTService(const char* serviceName, const char* displayName);
    virtual ~CNTService();
    CNTService(const CNTService&) = delete;
    CNTService& operator=(const CNTService&) = delete;

    // ---- Virtual operations, in slot order ----
    virtual void Run(DWORD argc, LPSTR* argv) = 0;
    virtual void Stop() = 0;
    virtual void Pause();
    virtual void Continue();
    virtual void Shutdown();
    virtual void SessionChange(DWORD eventType);
    virtual bool RegisterService(int argc, char** argv);
    virtual bool StartDispatcher();
    virtual bool Install();
    virtual bool Remove();
    virtual bool EndService();
    virtual bool StartupService();
    virtual bool DebugService(int argc, char** argv, bool faceless);
    virtual void RegisterEventLog(const char* modulePath, DWORD supportedTypes);
    virtual void DeregisterEventLog();
    virtual void LogEvent(const char* message, WORD eventType, DWORD eventId);

    // Reports a state to the service control manager; true in debug mode,
    // where nothing is reported.
    bool ReportStatus(DWORD state, DWORD waitHint);
    // The state last reported, read under the status lock.
    DWORD CurrentState();

    const char* ServiceName() const { return serviceName_; }
    const char* DisplayName() const { return displayName_; }
    bool DebugMode() const { return debug_; }

protected:
    friend void WINAPI ServiceMain(DWORD, LPSTR*);
    friend DWORD WINAPI ServiceCtrl(DWORD, DWORD, LPVOID, LPVOID);
    friend void OpenConsole(CNTService*);

    // What -l and -p gave, or none; used by Install.
    const char* AccountOrNull() const { return accountName_ ? accountName_->c_str() : nullptr; }
    const char* PasswordOrNull() const { return password_ ? password_->c_str() : nullptr; }

    const char* serviceName_;
    const char* displayName_;
    DWORD checkpoint_ = 0;        // incremented by every pending report, never reset
    DWORD lastError_ = 0;         // recorded by LogEvent
    bool debug_ = false;          // -d / -f: nothing is reported to the manager
    SERVICE_STATUS status_{};     // the status last reported
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
    DWORD acceptedControls_;
    bool consoleOpened_ = false;
    DWORD desiredAccess_ = SERVICE_ALL_ACCESS;
    DWORD serviceType_ = SERVICE_WIN32_OWN_PROCESS;
    DWORD startType_ = SERVICE_AUTO_START;
    DWORD errorControl_ = SERVICE_ERROR_NORMAL;
    const char* loadOrderGroup_ = nullptr;
    const char* dependencies_ = nullptr;
    std::optional<std::string> accountName_;
    std::optional<std::string> password_;

private:
    // Sends the stop control and waits, printing a dot a second, until the
    // service has left stop-pending. False when the control was refused.
    bool StopAndWait(SC_HANDLE service);

    // The status record is written by the service thread (Run) and by the
    // control handler's thread (Stop, Interrogate); the lock keeps one
    // report's record and checkpoint whole while it is sent.
    SRWLOCK statusLock_ = SRWLOCK_INIT;
};
