// Values under the daemon's App Paths key read at every request of a GUI,
// through the key kept open: one registry call per read instead of three
// (open, read, close), each a round trip to the kernel (to the wineserver
// under Wine).
#pragma once

#include <windows.h>

// Reads value `name` into `buffer` (`size` bytes), zero-filled first and left
// zero when the value is missing or longer than the buffer. A key deleted
// since it was opened is opened again, so a change always shows.
bool ReadAppPathsValue(const char* name, unsigned char* buffer, DWORD size);
