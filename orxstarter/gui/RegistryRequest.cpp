#include "orxstarter/gui/RegistryRequest.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <cstring>

namespace gui_registry {

RequestProblem ParseRegistryTarget(const char* field, size_t fieldSize, RegistryTarget& target) {
    const void* end = std::memchr(field, '\0', fieldSize);
    if (end == nullptr) return RequestProblem::Unterminated;
    const std::string text(field, static_cast<const char*>(end));
    const size_t bar = text.find('|');
    if (bar == std::string::npos) return RequestProblem::NoSeparator;
    target.keyPath = text.substr(0, bar);
    target.valueName = text.substr(bar + 1);
    return RequestProblem::None;
}

RequestProblem CheckWriteSize(uint32_t statedSize) {
    return statedSize > IPC_REG_DATA_SIZE ? RequestProblem::DataTooLong : RequestProblem::None;
}

const char* ProblemText(RequestProblem problem) {
    switch (problem) {
    case RequestProblem::None: return "accepted";
    case RequestProblem::Unterminated: return "refused, the key and value text has no end within its 260 bytes";
    case RequestProblem::NoSeparator: return "refused, no '|' between the key path and the value name";
    case RequestProblem::DataTooLong: return "refused, the stated data size exceeds the 412 bytes a message holds";
    }
    return "refused";
}

}  // namespace gui_registry
