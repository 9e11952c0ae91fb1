// Linked into minimal_service_imports.exe only: one function of each DLL the
// service imports when it loads, so that the loader maps the same libraries
// for the minimal service as for the real one. Kept alive by this table,
// which the linker cannot drop from an object file named on its command line.
#include <winsock2.h>

#include "standins/orxstarterlang/OrxStarterLang.h"
#include "standins/profstore/Profstore.h"

#include <windows.h>
#include <lm.h>

extern "C" {
extern void* const g_sameImports[];
void* const g_sameImports[] = {
    reinterpret_cast<void*>(&WSAStartup),          reinterpret_cast<void*>(&NetWkstaGetInfo),
    reinterpret_cast<void*>(&VPNConfGetLastError), reinterpret_cast<void*>(&StarterLang_Init),
};
}
