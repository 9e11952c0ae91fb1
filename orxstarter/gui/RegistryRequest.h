// The "key|value" target of a GUI's registry write or deletion, and the
// checks it must pass before the registry is touched. Pure: no OS calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gui_registry {

// The one key opened in the 64-bit registry view, matched exactly (letter
// case included).
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

enum class RequestProblem {
    None,
    Unterminated,  // the text has no zero within its field
    NoSeparator,   // no '|' between key path and value name
    DataTooLong,   // the stated data size exceeds what the message holds
};

struct RegistryTarget {
    std::string keyPath;    // under HKEY_LOCAL_MACHINE
    std::string valueName;  // empty: the key's default value
};

// Splits the zero-terminated text of a `fieldSize`-byte field at its first '|'.
RequestProblem ParseRegistryTarget(const char* field, size_t fieldSize, RegistryTarget& target);

// The data of a write runs from offset 284 to the end of the message.
RequestProblem CheckWriteSize(uint32_t statedSize);

// The refusal's trace text for `problem` (after the message's name).
const char* ProblemText(RequestProblem problem);

inline bool IsRunKey(const std::string& keyPath) { return keyPath == kRunKey; }

}  // namespace gui_registry
