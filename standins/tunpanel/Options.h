// The command line of tunpanel.exe and the channel names it implies.
// No OS calls.
//
//   tunpanel [--logon] [--no-watchdog] [--type N] [request ...]
//   tunpanel --set-panel-password <password>
//   tunpanel --clear-panel-password
//   tunpanel --help
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunpanel {

enum class Mode { Gui, SetPanelPassword, ClearPanelPassword, Help };

struct Options {
    Mode mode = Mode::Gui;
    bool logon = false;         // logon-screen GUI instead of a user-session one
    bool watchdog = true;       // ask the service to watch our process
    int8_t connectType = 0;     // the announcement's type byte: 0 user session, 1 logon screen
    std::string password;       // --set-panel-password
    std::vector<std::string> requests;  // one request per argument; none: read standard input
};

// Options come first; the first argument that is not one starts the
// requests. False with the reason on a bad command line.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

std::string Usage();

struct ChannelNames {
    std::string own;      // our server channel in our session
    std::string service;  // where requests and the announcement go
    std::string relay;    // what the service passes on to the current GUI
};

ChannelNames NamesFor(bool logon, uint32_t sessionId);

}  // namespace tunpanel
