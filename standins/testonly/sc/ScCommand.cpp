#include "standins/testonly/sc/ScCommand.h"

#include <algorithm>
#include <cctype>

namespace sc_standin {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// In the order of their SERVICE_*_START values.
const char* const kStartTypes[] = {"boot", "system", "auto", "demand", "disabled"};

}  // namespace

bool ParseScCommand(const std::vector<std::string>& args, StartTypeChange& change, std::string& error) {
    if (args.empty() || Lower(args[0]) != "config") {
        error = "only \"config <service> start= <type>\" is carried out by this sc";
        return false;
    }
    if (args.size() != 4 || args[1].empty() || Lower(args[2]) != "start=") {
        error = "usage: sc config <service> start= <boot|system|auto|demand|disabled>";
        return false;
    }
    const std::string type = Lower(args[3]);
    const auto found = std::find(std::begin(kStartTypes), std::end(kStartTypes), type);
    if (found == std::end(kStartTypes)) {
        error = "unknown start type \"" + args[3] + "\" (boot, system, auto, demand or disabled)";
        return false;
    }
    change = {args[1], uint32_t(found - std::begin(kStartTypes))};
    return true;
}

}  // namespace sc_standin
