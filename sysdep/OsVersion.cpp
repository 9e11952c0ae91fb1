#include "sysdep/sysdep.h"

#include <windows.h>
#include <lm.h>

#include <string>

namespace {

const OsVersionRow kOsVersions[] = {
    {10, 0, "Windows 10", ORX_OS_WIN10},
    {6, 3, "Windows 8.1", ORX_OS_WIN81},
    {6, 2, "Windows 8", ORX_OS_WIN8},
    {6, 1, "Windows 7", ORX_OS_WIN7},
    {6, 0, "Windows Vista", ORX_OS_VISTA},
};

const OsVersionRow kUnsupported = {0, 0, "Unsupported OS", ORX_OS_UNSUPPORTED};

}  // namespace

const OsVersionRow& UnsupportedOsVersion() { return kUnsupported; }

const OsVersionRow& LookupOsVersion(unsigned major, unsigned minor) {
    for (const OsVersionRow& row : kOsVersions) {
        if (row.major == major && row.minor == minor) return row;
    }
    return kUnsupported;
}

uint32_t GetOSVersion() {
    const OsVersionRow* row = &kUnsupported;
    LPBYTE info = nullptr;
    if (NetWkstaGetInfo(nullptr, 102, &info) == NERR_Success && info != nullptr) {
        const auto* wki = reinterpret_cast<const WKSTA_INFO_102*>(info);
        row = &LookupOsVersion(wki->wki102_ver_major, wki->wki102_ver_minor);
    }
    if (info != nullptr) NetApiBufferFree(info);

    const std::string line = std::string("ORXSYSDEP: GetOSVersion returned ") + row->name;
    OutputDebugStringA(line.c_str());
    return row->code;
}
