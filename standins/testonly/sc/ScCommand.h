// The one command the test bench's sc.exe carries out:
//   sc config <service> start= <boot|system|auto|demand|disabled>
// Pure: the arguments in, the service and its start type out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sc_standin {

struct StartTypeChange {
    std::string service;
    uint32_t startType = 0;  // SERVICE_BOOT_START (0) to SERVICE_DISABLED (4)
};

// `args` are the arguments after the program name. False, with the reason in
// `error`, for anything else than the command above. Words are matched
// without regard to case, as Windows' own sc does.
bool ParseScCommand(const std::vector<std::string>& args, StartTypeChange& change, std::string& error);

}  // namespace sc_standin
