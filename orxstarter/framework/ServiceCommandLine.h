// The service program's command line, read without touching the system so
// that every rule of it can be checked directly.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class ServiceAction {
    StartDispatcher,  // no action option: the service control manager started us
    Install,
    Remove,
    StartupService,
    EndService,
    DebugConsole,     // -d: run in the foreground with a console
    DebugFaceless,    // -f: run in the foreground behind a hidden window
};

struct ServiceCommand {
    ServiceAction action = ServiceAction::StartDispatcher;
    std::optional<std::string> account;   // -l; none means the local system account
    std::optional<std::string> password;  // -p
    // Progress lines for the debug trace, in the order the options were met.
    std::vector<std::string> traceLines;
};

// Reads argv[1..argc-1]. The last action option wins, except that -d and -f
// end the reading at once: later arguments are never looked at.
ServiceCommand ParseServiceCommandLine(int argc, const char* const* argv);
