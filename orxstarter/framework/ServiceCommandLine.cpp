#include "orxstarter/framework/ServiceCommandLine.h"

namespace {

struct ActionOption {
    char letter;
    ServiceAction action;
    const char* traceLine;
};

const ActionOption kActionOptions[] = {
    {'i', ServiceAction::Install, "   RegisterService: install service\n"},
    {'u', ServiceAction::Remove, "   RegisterService: uninstall service\n"},
    {'s', ServiceAction::StartupService, "   RegisterService: start the service\n"},
    {'e', ServiceAction::EndService, "   RegisterService: end the service\n"},
};

const ActionOption* FindActionOption(char letter) {
    for (const ActionOption& option : kActionOptions) {
        if (option.letter == letter) return &option;
    }
    return nullptr;
}

// The value of -l or -p: what follows the letter, else the next argument.
// Given last with nothing attached there is nothing to take; the option is
// then dropped with a trace line rather than guessing at a value.
void TakeValue(int argc, const char* const* argv, int& index, const char* what,
               std::optional<std::string>& target, std::vector<std::string>& traceLines) {
    const char* attached = argv[index] + 2;
    if (*attached != '\0') {
        target = attached;
    } else if (index + 1 < argc && argv[index + 1] != nullptr) {
        target = argv[++index];
    } else {
        traceLines.push_back(std::string("   RegisterService: no ") + what + " given, option ignored\n");
    }
}

}  // namespace

ServiceCommand ParseServiceCommandLine(int argc, const char* const* argv) {
    ServiceCommand command;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr || arg[0] != '-') continue;
        command.traceLines.push_back(std::string("   RegisterService : param ") + arg + "\n");
        const char letter = arg[1];
        if (letter == 'd' || letter == 'f') {
            command.action = letter == 'd' ? ServiceAction::DebugConsole : ServiceAction::DebugFaceless;
            return command;
        }
        if (const ActionOption* option = FindActionOption(letter)) {
            command.traceLines.emplace_back(option->traceLine);
            command.action = option->action;
        } else if (letter == 'l') {
            command.traceLines.emplace_back("   RegisterService: login account\n");
            TakeValue(argc, argv, i, "account name", command.account, command.traceLines);
        } else if (letter == 'p') {
            command.traceLines.emplace_back("   RegisterService: password\n");
            TakeValue(argc, argv, i, "password", command.password, command.traceLines);
        }
    }
    return command;
}
