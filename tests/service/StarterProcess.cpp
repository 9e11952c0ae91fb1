#include "StarterProcess.h"

namespace service_test {

std::string StarterCommand(const std::string& args) {
    return "\"" + testing_support::BinPath("orxstarter.exe") + "\" " + args;
}

testing_support::ProcessResult Starter(const std::string& args) {
    return testing_support::RunProcess(StarterCommand(args), 120000);
}

std::string Plain(const std::string& output) {
    std::string text;
    for (char c : output) {
        if (c != '\r') text += c;
    }
    return text;
}

std::string SystemText(DWORD error) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, LANG_NEUTRAL, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = text != nullptr ? text : "";
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

}  // namespace service_test
