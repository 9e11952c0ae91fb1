#include "tests/support/SystemLogFile.h"

#include "systemlog/SystemLog.h"
#include "tests/support/Files.h"
#include "tests/support/Wait.h"

namespace testing_support {

SystemLogFile::SystemLogFile(const std::string& name) : name_(name), dir_(MakeTempDir("systemlog")) {
    systemlog::TheSystemLog().EnableFile(dir_.c_str(), name_.c_str());
}

SystemLogFile::~SystemLogFile() {
    systemlog::TheSystemLog().DisableAll();
    RemoveTree(dir_);
}

std::string SystemLogFile::Text() const { return ReadFileBytes(dir_ + "\\" + TodayDashed() + "-" + name_ + ".log"); }

bool SystemLogFile::WaitForEvent(uint32_t eventNumber, DWORD timeoutMs) const {
    const std::string needle = "[" + std::to_string(eventNumber) + "]";
    return WaitUntil([&] { return Text().find(needle) != std::string::npos; }, timeoutMs);
}

}  // namespace testing_support
