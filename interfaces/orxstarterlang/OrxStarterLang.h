// Language library of the VPN client: the texts of the system log's events,
// by string identifier, as ANSI (multi-byte) strings. The service imports it
// by name through its import table. The contract both the service and our
// stand-in of the library build against.
#pragma once

#include <windows.h>

#ifdef ORXSTARTERLANG_BUILD
#define ORXSTARTERLANG_API __declspec(dllexport)
#else
#define ORXSTARTERLANG_API __declspec(dllimport)
#endif

extern "C" {

// Prepares the library (chooses the language). Called before the first text
// is asked for, and again at every restart of the system log.
ORXSTARTERLANG_API BOOL StarterLang_Init(void);

// Writes the NUL-terminated text of `id` into `buffer` (`size` bytes). False
// when there is no such text or it does not fit; the buffer then holds an
// empty text (when it has room for one).
ORXSTARTERLANG_API BOOL StarterLang_GetMBCSStrFromId(UINT id, char* buffer, UINT size);

}
