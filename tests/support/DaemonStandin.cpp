#include "tests/support/DaemonStandin.h"

#include "tests/support/Files.h"
#include "tests/support/Wait.h"

namespace testing_support {

DaemonStandin::DaemonStandin(const std::string& settings, const std::string& dir) : dir_(dir) {
    DeleteFileA((dir_ + "orxike-received.log").c_str());
    DeleteFileA((dir_ + "orxikeng-received.log").c_str());
    const std::string path = dir_ + "orxike-standin.ini";
    DeleteFileA(path.c_str());
    if (!settings.empty()) WriteFileBytes(path, settings);
}

DaemonStandin::~DaemonStandin() { DeleteFileA((dir_ + "orxike-standin.ini").c_str()); }

std::string DaemonStandin::Journal(const std::string& image) const {
    return ReadFileBytes(dir_ + image + "-received.log");
}

bool DaemonStandin::WaitForJournal(const std::string& text, DWORD timeoutMs, const std::string& image) const {
    return WaitUntil([&] { return Journal(image).find(text) != std::string::npos; }, timeoutMs);
}

}  // namespace testing_support
