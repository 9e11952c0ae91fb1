// The configuration operations a GUI asks for (CONFIG_REQ): which library
// call each code means, how a result is traced, and the name of an imported
// configuration. Pure: no OS calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gui_config {

enum class ConfCall { Load, Save, Update, Import, None };

struct ConfOperationRule {
    ConfCall call;
    const char* label;  // the trace label; empty for an operation that calls nothing
};

// 0 load, 1 or 5 save, 2 or 6 update, 3 import; 4 and above 6 call nothing.
ConfOperationRule RuleForOperation(uint32_t operation);

// A load that succeeded while the GUI has only announced itself (it has not
// said it is up yet) answers this instead of 0.
constexpr uint32_t kResultGuiNotStarted = 43;

// The trace line of a result: none (empty) for 0 and 43, the error's name
// for the library's named codes, else the code as a number.
std::string ResultTraceLine(const char* label, uint32_t result);

constexpr size_t kImportNameMax = 255;
constexpr char kUnknownImportName[] = "<Unknown>";

// The imported configuration's name in the request's data (`size` bytes, or
// to its first zero): after the first '=', up to the next '|' or the data's
// end; "<Unknown>" without '='. Cut at 255 characters.
std::string ImportName(const char* data, size_t size);

}  // namespace gui_config
