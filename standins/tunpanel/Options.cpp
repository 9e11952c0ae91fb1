#include "standins/tunpanel/Options.h"

#include "standins/tunpanel/RequestParser.h"
#include "standins/tunpanel/RequestWords.h"

namespace tunpanel {

namespace {

// The password commands stand alone: nothing else on their line.
bool AdminCommand(const std::vector<std::string>& args, Options& options, std::string& error) {
    const std::string& command = args[0];
    const size_t expected = command == "--set-panel-password" ? 2 : 1;
    if (args.size() != expected) {
        error = command + (expected == 2 ? " takes exactly one argument, the password" : " takes no argument") +
                ", and no other option or request";
        return false;
    }
    if (expected == 2) {
        options.mode = Mode::SetPanelPassword;
        options.password = args[1];
    } else {
        options.mode = Mode::ClearPanelPassword;
    }
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    options = Options{};
    if (!args.empty() && (args[0] == "--set-panel-password" || args[0] == "--clear-panel-password"))
        return AdminCommand(args, options, error);
    bool typeForced = false;
    size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        const std::string& option = args[i];
        if (option == "--logon") {
            options.logon = true;
        } else if (option == "--no-watchdog") {
            options.watchdog = false;
        } else if (option == "--type") {
            int64_t type = 0;
            if (i + 1 >= args.size() || !ParseSigned(args[i + 1], -128, 255, type)) {
                error = "--type takes a number from -128 to 255";
                return false;
            }
            options.connectType = static_cast<int8_t>(static_cast<uint8_t>(type & 0xFF));
            typeForced = true;
            ++i;
        } else if (option == "--help") {
            options.mode = Mode::Help;
            return true;
        } else if (option == "--set-panel-password" || option == "--clear-panel-password") {
            error = option + " must be given alone";
            return false;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (!typeForced) options.connectType = options.logon ? 1 : 0;
    options.requests.assign(args.begin() + i, args.end());
    return true;
}

std::string Usage() {
    return "usage: tunpanel [--logon] [--no-watchdog] [--type N] [request ...]\n"
           "       tunpanel --set-panel-password <password>\n"
           "       tunpanel --clear-panel-password\n"
           "\n"
           "Announces itself to the OrxIke Starter service as its GUI, then runs the\n"
           "requests (one per argument; quote a request with blanks), or reads them one\n"
           "per line from standard input. Prints \"-> NAME len=N ok|FAILED\" per message\n"
           "sent and \"<- NAME len=N ...\" per message received. Exit code 0 when every\n"
           "request succeeded and every expect was met, else 1.\n"
           "\n"
           "  --logon          be the logon-screen GUI (vpnlogonui, Global\\vpnsrvlogonui)\n"
           "  --no-watchdog    do not ask the service to watch our process\n"
           "  --type N         announce connect type N (default 0, 1 with --logon)\n"
           "\n"
           "Requests:\n" +
           RequestHelp();
}

ChannelNames NamesFor(bool logon, uint32_t sessionId) {
    const std::string word = logon ? "vpnlogonui" : "vpncfg";
    return {"Session\\" + std::to_string(sessionId) + "\\" + word,
            logon ? "Global\\vpnsrvlogonui" : "Global\\vpnsrvcfg", "Global\\vpn2vpn"};
}

}  // namespace tunpanel
