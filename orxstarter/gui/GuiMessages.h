// What the broker does with each message a GUI sends on its request
// channels: pure rules, no OS calls.
#pragma once

#include <cstddef>
#include <cstdint>

enum class GuiAction : uint8_t {
    None,                // traced (and maybe passed) only
    VpnConfStarted,      // the GUI is up: start the daemon if needed, tell both
    Halt,                // the GUI stops: State HALT
    UpdateConfig,        // start the daemon if needed, then pass
    ResetIke,            // stop the daemon, or start it
    DebugOn,             // trace flags 2, set before the trace line
    DebugOff,            // trace flags 0, set after it
    Close,               // Clear with the mode, event 2
    RegWrite,
    RegDelete,
    SystemLog,           // an event on the GUI's behalf
    SystemLogChange,     // the system log's outputs reopened
    CredProvRegister,
    CredProvUnregister,
    Announce,            // SET_GUI_INFOS
    ConfigRequest,       // on a copy of the request block
    PanelOpen,           // granted at once, or the password asked for
    PanelPassword,       // on a copy of the password field
    Unknown,
};

// What the handler's trace line shows besides its text.
enum class GuiTraceArg : uint8_t {
    None,
    Text16,         // the text at offset 16, escaped
    Text16Length,   // only the length of the text at 16 (a secret)
    Name,           // the message's name
    NameAndText16,  // its name, then the text at 16, escaped
    ModeCfgWords,   // the three words at 16, 20 and 24
    Type,           // the type code
};

struct GuiRule {
    GuiAction action;
    bool passed;        // the message itself goes on to the daemon
    const char* trace;  // the handler's own trace line; null for none
    GuiTraceArg traceArg;
    bool traceTwice;
    // Secret bytes wiped in the channel's memory once the message is handled
    // (and passed on); size 0 for none.
    size_t wipeOffset;
    size_t wipeSize;
};

GuiRule RuleForGuiMessage(uint32_t type);
