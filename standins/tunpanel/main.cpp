// tunpanel.exe: a console stand-in of the VPN configuration GUI. It announces
// itself to the OrxIke Starter service like the GUI does, sends the requests
// it is given and prints every message the service sends back, so that
// integrators and tests can drive and watch the service by hand or by script.
#include "standins/tunpanel/Console.h"
#include "standins/tunpanel/GuiSession.h"
#include "standins/tunpanel/Options.h"
#include "standins/tunpanel/PanelPasswordStore.h"
#include "standins/tunpanel/RequestParser.h"
#include "standins/tunpanel/RequestWords.h"

#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace tunpanel;

// Requests on the command line are all checked before anything is sent, so
// that a typo late in a script does not leave the service half-driven.
bool ParseAll(const std::vector<std::string>& lines, const RequestDefaults& defaults, std::vector<Request>& requests) {
    for (size_t i = 0; i < lines.size(); ++i) {
        Request request;
        std::string error;
        if (!ParseRequest(lines[i], defaults, request, error)) {
            PrintProblem("request " + std::to_string(i + 1) + " (\"" + lines[i] + "\"): " + error);
            return false;
        }
        requests.push_back(std::move(request));
    }
    return true;
}

bool RunCommandLine(GuiSession& session, const std::vector<Request>& requests) {
    bool ok = true;
    for (const Request& request : requests) {
        ok = session.Run(request) && ok;
        if (session.QuitRequested()) break;
    }
    return ok;
}

// A bad line is refused and the session goes on: the person typing can
// correct it.
bool RunStandardInput(GuiSession& session, const RequestDefaults& defaults) {
    bool ok = true;
    std::string line;
    for (unsigned number = 1; !session.QuitRequested() && std::getline(std::cin, line); ++number) {
        if (IsBlankOrComment(line)) continue;
        Request request;
        std::string error;
        if (!ParseRequest(line, defaults, request, error)) {
            PrintProblem("line " + std::to_string(number) + ": " + error);
            ok = false;
            continue;
        }
        ok = session.Run(request) && ok;
    }
    return ok;
}

DWORD OwnSession() {
    DWORD sessionId = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &sessionId)) return sessionId;
    // The service assumes session 1 when it cannot find ours, so that is
    // where it will look for our channel.
    PrintProblem("cannot find our session (error " + std::to_string(GetLastError()) + "), using session 1");
    return 1;
}

int RunGui(const Options& options) {
    const DWORD processId = GetCurrentProcessId();
    const RequestDefaults defaults{processId, options.logon ? 1u : 0u};
    std::vector<Request> requests;
    if (!ParseAll(options.requests, defaults, requests)) return 1;

    GuiSession session(options, processId, NamesFor(options.logon, OwnSession()));
    std::string error;
    if (!session.Start(error)) {
        PrintProblem(error);
        return 1;
    }
    const bool ok = options.requests.empty() ? RunStandardInput(session, defaults) : RunCommandLine(session, requests);
    return ok && !session.ReplyFailed() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        PrintProblem(error);
        std::fputs(Usage().c_str(), stderr);
        return 1;
    }
    switch (options.mode) {
        case Mode::Help:
            std::fputs(Usage().c_str(), stdout);
            return 0;
        case Mode::SetPanelPassword:
            return SetPanelPassword(options.password);
        case Mode::ClearPanelPassword:
            return ClearPanelPassword();
        case Mode::Gui:
            break;
    }
    return RunGui(options);
}
