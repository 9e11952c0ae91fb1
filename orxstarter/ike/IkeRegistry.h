// The daemon's settings under its App Paths key, read afresh at each use.
#pragma once

#include <windows.h>

#include <cstddef>

namespace ike_registry {

constexpr size_t kPathSize = 260;

enum class ReadResult { Ok, Missing, TooLong };

// A text value of at most 259 characters, NUL-terminated in `out`.
ReadResult ReadPath(const char* name, char (&out)[kPathSize]);
// A 4-byte number.
bool ReadDword(const char* name, DWORD* value);

}  // namespace ike_registry
