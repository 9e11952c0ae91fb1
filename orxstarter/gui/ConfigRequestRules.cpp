#include "orxstarter/gui/ConfigRequestRules.h"

#include "profstore/ProfstoreErrors.h"

#include <cstring>

namespace gui_config {

ConfOperationRule RuleForOperation(uint32_t operation) {
    switch (operation) {
    case 0: return {ConfCall::Load, "\tOnConfRequest OPCONF_LOAD"};
    case 1:
    case 5: return {ConfCall::Save, "\tOnConfRequest OPCONF_SAVE"};
    case 2:
    case 6: return {ConfCall::Update, "\tOnConfRequest OPCONF_UPDATE"};
    case 3: return {ConfCall::Import, "\tOnConfRequest OPCONF_IMPORT"};
    default: return {ConfCall::None, ""};
    }
}

std::string ResultTraceLine(const char* label, uint32_t result) {
    if (result == 0 || result == kResultGuiNotStarted) return {};
    const std::string head = std::string("\t") + label + " return ";
    if (const char* name = ProfstoreErrorName(result)) return head + name;
    return head + "unknown error ==> " + std::to_string(result);
}

// Works on the data in place: the rest of it may be secret and is never copied.
std::string ImportName(const char* data, size_t size) {
    const void* zero = std::memchr(data, '\0', size);
    const char* end = zero != nullptr ? static_cast<const char*>(zero) : data + size;
    const void* equals = std::memchr(data, '=', static_cast<size_t>(end - data));
    if (equals == nullptr) return kUnknownImportName;
    const char* name = static_cast<const char*>(equals) + 1;
    const void* bar = std::memchr(name, '|', static_cast<size_t>(end - name));
    const size_t length = static_cast<size_t>((bar != nullptr ? static_cast<const char*>(bar) : end) - name);
    return std::string(name, length < kImportNameMax ? length : kImportNameMax);
}

}  // namespace gui_config
