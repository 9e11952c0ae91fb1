// The Windows-version table and the log data directory.
#include "sysdep/sysdep.h"

#include "tests/support/DebugCapture.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace testing_support;
using ::testing::Contains;

namespace {

const std::string kProgramData = "C:\\ProgramData";

// ALLUSERSPROFILE points at a fresh temporary directory; "LogPath" is set by
// each test. Directories made under the fixed fallback base go below `top_`.
class Sysdep : public ::testing::Test {
protected:
    void SetUp() override { allUsers_.Set(base_); }
    void TearDown() override {
        RemoveTree(base_);
        RemoveTree(kProgramData + "\\" + top_);
    }

    const std::string base_ = MakeTempDir("sysdep");
    const std::string top_ = "OrxSysdepTest" + std::to_string(GetCurrentProcessId());
    ScopedEnvVar allUsers_{"ALLUSERSPROFILE"};
    ScopedServiceSettings settings_;
};

}  // namespace

// Below Windows 7 the base of the data directory is always ProgramData.
TEST_F(Sysdep, EachWindowsVersionOfThePrefixHasItsCodeAndItsDataDirectoryBase) {
    ASSERT_TRUE(settings_.SetString("LogPath", top_ + "\\Logs"));
    struct Case { const char* wineVersion; const char* code; std::string name, base; };
    const Case cases[] = {
        {"win10", "12", "Windows 10", base_},     {"win81", "11", "Windows 8.1", base_},
        {"win8", "10", "Windows 8", base_},       {"win7", "9", "Windows 7", base_},
        {"vista", "8", "Windows Vista", kProgramData}, {"win2003", "0", "Unsupported OS", kProgramData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wineVersion);
        ScopedWineVersion version("sysdep_probe.exe", c.wineVersion);
        DebugOutputCapture capture;
        const ProcessResult run = RunProcess("\"" + BinPath("sysdep_probe.exe") + "\"");
        capture.Settle();
        EXPECT_EQ(std::string(c.code) + "|1|" + c.base + "\\" + top_ + "\\Logs\r\n", run.output);
        const auto lines = capture.Texts();
        EXPECT_THAT(lines, Contains("ORXSYSDEP: GetOSVersion returned " + c.name));
        EXPECT_EQ(c.base == kProgramData, ::testing::Value(lines, Contains("ORXSYSDEP: Unknown OS version")));
    }
}

TEST_F(Sysdep, LogDataDirCreatesWhatItCanAndReportsWhatItCannot) {
    const std::string file = base_ + "\\plainfile", missing = base_ + "\\not-there";
    const std::string fallback = kProgramData + "\\" + top_ + "\\Logs";
    ASSERT_TRUE(std::ofstream(file).good());
    ASSERT_TRUE(std::filesystem::create_directories(base_ + "\\F") && std::ofstream(base_ + "\\F\\plainfile").good());
    struct Case { std::string allUsers, logPath; bool ok; std::string buffer; };  // empty: absent
    const Case cases[] = {
        {base_, "A\\B\\C", false, base_ + "\\A\\B"},  // a parent must exist up to its last level
        {base_, "A\\B", true, base_ + "\\A\\B"},      // both levels created
        {base_, "A\\B\\C", true, base_ + "\\A\\B\\C"},
        {base_, "A\\B", true, base_ + "\\A\\B"},      // existing directories taken as they are
        {base_, "F\\plainfile", false, base_ + "\\F\\plainfile"},  // a file of that name is no directory
        {base_, "NoBackslash", false, "untouched"},
        {base_, "A\\" + std::string(300, 'x'), false, "untouched"},  // longer than the value may hold
        {base_, "", false, "untouched"},
        {file, "Vendor\\Logs", false, file + "\\Vendor"},  // the base is taken, but nothing goes below a file
        {"", top_ + "\\Logs", true, fallback},
        {missing, top_ + "\\Logs", true, fallback},
        // Too long for the work buffers: a cut path would name another directory.
        {base_ + "\\" + std::string(270, 'y'), top_ + "\\Logs", true, fallback},
    };
    DebugOutputCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.allUsers.substr(0, 80) + " + " + c.logPath.substr(0, 80));
        allUsers_.Set(c.allUsers);
        ASSERT_TRUE(c.logPath.empty() ? settings_.Remove("LogPath") : settings_.SetString("LogPath", c.logPath));
        char buffer[260] = "untouched";
        EXPECT_EQ(c.ok, GetLogDataDir(buffer, sizeof buffer));
        EXPECT_EQ(c.buffer, buffer);
        EXPECT_EQ(c.ok, DirExists(c.buffer));
    }
    capture.Settle();
    EXPECT_THAT(capture.TextsFrom(GetCurrentProcessId()), Contains("ORXSYSDEP: Error 2 on opening " + missing + "."));
}
