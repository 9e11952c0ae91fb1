// sc.exe for the test bench only (Wine's own sc has no "config"): records
// its command line in sc-calls.log beside it, then changes a service's start
// type with ChangeServiceConfigA. Never installed with the product.
#include "sysdep/WinHandles.h"
#include "standins/testonly/sc/ScCommand.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void RecordCall() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string log(path, length);
    log = log.substr(0, log.rfind('\\') + 1) + "sc-calls.log";
    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    orx::UniqueHandle file(CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr))
        std::fprintf(stderr, "sc: cannot record the call in %s (error %lu)\n", log.c_str(), GetLastError());
}

// Prints what the real tool prints for a failed step, and fails.
int Failed(const char* step) {
    const DWORD error = GetLastError();
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    std::printf("[SC] %s FAILED %lu:\n\n%s\n", step, error, text);
    return 1;
}

int ChangeStartType(const sc_standin::StartTypeChange& change) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed("OpenSCManager");
    orx::UniqueScHandle service(OpenServiceA(manager.get(), change.service.c_str(), SERVICE_CHANGE_CONFIG));
    if (!service) return Failed("OpenService");
    if (!ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, change.startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr))
        return Failed("ChangeServiceConfig");
    std::printf("[SC] ChangeServiceConfig SUCCESS\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RecordCall();
    sc_standin::StartTypeChange change;
    std::string error;
    if (!sc_standin::ParseScCommand(std::vector<std::string>(argv + 1, argv + argc), change, error)) {
        std::printf("sc (test stand-in): %s\n", error.c_str());
        return 1;
    }
    return ChangeStartType(change);
}
