// The system log of this process (the service's parts run in it) written to
// its file output alone, in a fresh directory, for the life of the object.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace testing_support {

class SystemLogFile {
public:
    explicit SystemLogFile(const std::string& name = "Test");
    ~SystemLogFile();
    SystemLogFile(const SystemLogFile&) = delete;
    SystemLogFile& operator=(const SystemLogFile&) = delete;

    std::string Text() const;  // today's file
    // Waits until the log holds "[<event number>]".
    bool WaitForEvent(uint32_t eventNumber, DWORD timeoutMs = 10000) const;

private:
    std::string name_;
    std::string dir_;
};

}  // namespace testing_support
