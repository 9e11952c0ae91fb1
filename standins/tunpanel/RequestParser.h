// The request language of tunpanel: one request per command-line argument or
// per line of standard input, parsed into the message it sends or the step it
// takes. No OS calls.
//
//   start [handle]             stopped   update   reset-ike
//   config load|save|update|import|<number> [A=n] [S=n] [L=n] [data=text]
//   panel <password>
//   regwrite <key>|<value> sz|dword|binary <data>
//   regdelete <key>|<value>
//   credprov register|unregister        debug on|off
//   syslog <index> <facility> <level> <number> [text]
//   relay <type> [length]      pin <text>
//   send <type> [length [hex bytes]]
//   close [mode]   wait <ms>   expect <NAME> [timeout ms]   help   quit
#pragma once

#include "standins/tunpanel/MessageComposer.h"

#include <cstdint>
#include <string>

namespace tunpanel {

enum class RequestKind {
    ToService,  // send `message` on the service channel
    Relay,      // send `message` on the relay channel (it comes back to us)
    Panel,      // send `message` (OPEN_CFGPANEL_REQ); answer a password request with `password`
    Wait,       // pause `milliseconds`
    Expect,     // wait at most `milliseconds` for a message of type `code`
    Help,
    Quit,
};

struct Request {
    RequestKind kind = RequestKind::ToService;
    Message message;
    std::string password;
    uint32_t code = 0;
    uint32_t milliseconds = 0;
};

// What a request takes when its line leaves it out.
struct RequestDefaults {
    uint64_t windowHandle = 0;  // start: the value at 16 (our process id)
    uint32_t closeMode = 0;     // close: 0 user-session GUI, 1 logon-screen GUI
};

constexpr uint32_t kDefaultExpectTimeoutMs = 5000;

// Parses one request. False, with a reason naming the request, when the line
// is not a valid request; nothing is sent for it then.
bool ParseRequest(const std::string& line, const RequestDefaults& defaults, Request& request, std::string& error);

// One line per request, for --help and the `help` request.
std::string RequestHelp();

}  // namespace tunpanel
