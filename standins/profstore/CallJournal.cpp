#include "standins/profstore/CallJournal.h"

#include "standins/profstore/StoreFiles.h"
#include "sysdep/WinHandles.h"

#include <cstdio>

namespace profstore {

void JournalCall(const std::string& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u pid=%lu ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, GetCurrentProcessId());
    const std::string line = stamp + text + "\r\n";
    std::string path;
    if (PathInDataDir(kCallJournalFileName, path).error != 0) {
        OutputDebugStringA(("Profstore: " + line).c_str());
        return;
    }
    // Appending through FILE_APPEND_DATA puts each whole line at the end, even
    // when threads or processes write at once.
    orx::UniqueHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr))
        OutputDebugStringA(("Profstore: cannot journal to " + path + ": " + line).c_str());
}

}  // namespace profstore
