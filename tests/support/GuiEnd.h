// The GUI's end of the conversation played in this process: its own channel
// in this process's session ("Session\<n>\vpncfg", where the service answers
// it) and its requests on "Global\vpnsrvcfg"; or, for the logon GUI,
// "Session\<n>\vpnlogonui" and "Global\vpnsrvlogonui". Open it while the
// service runs.
#pragma once

#include "tests/support/ClientChannel.h"
#include "tests/support/Inbox.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace testing_support {

class GuiEnd {
public:
    explicit GuiEnd(bool logon = false);
    GuiEnd(const GuiEnd&) = delete;
    GuiEnd& operator=(const GuiEnd&) = delete;

    bool ok() const { return inbox_.ok() && requests_.ok(); }
    Inbox& inbox() { return inbox_; }

    // SET_GUI_INFOS with this process's id, connect type 0 (user session) and
    // no watchdog request: this program's end is the run's, not a GUI's.
    bool Announce();
    bool Send(const void* message, DWORD length) { return requests_.Send(message, length); }
    bool SendEmpty(uint32_t code) { return requests_.SendEmpty(code); }
    // VPNCONF_STARTED, then the running status form ("4.40") within
    // `timeoutMs`; `elapsedMs` gets the time from the send to the status.
    bool StartDaemon(DWORD timeoutMs, double* elapsedMs = nullptr);

private:
    Inbox inbox_;
    ClientChannel requests_;  // "Global\vpnsrvcfg"
};

// This process's GUI channel of one kind, in its session:
// "Session\<n>\vpncfg", or "Session\<n>\vpnlogonui" for the logon GUI.
std::string GuiChannelName(bool logon = false);

}  // namespace testing_support
