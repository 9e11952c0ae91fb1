// The Windows-version table and the log data directory.
#include "sysdep.h"

#include "DebugCapture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

const char kUntouched[] = "untouched";

struct ProbeRun {
    std::string output;                  // without its line end
    std::vector<std::string> debugLines;  // of the probe's process
};

ProbeRun RunProbe(const std::string& mode) {
    DebugOutputCapture capture;
    BackgroundProcess probe("\"" + BinPath("sysdep_probe.exe") + "\" " + mode);
    ProbeRun run;
    if (!probe.started() || !probe.Wait(60000)) return run;
    capture.Settle();
    run.output = probe.Output();
    while (!run.output.empty() && (run.output.back() == '\n' || run.output.back() == '\r')) run.output.pop_back();
    run.debugLines = capture.TextsFrom(probe.pid());
    return run;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines) {
        if (l == line) return true;
    }
    return false;
}

}  // namespace

TEST(OsVersionTable, FirstMatchingRowOrUnsupported) {
    struct Case {
        unsigned major, minor;
        const char* name;
        uint32_t code;
    };
    const Case cases[] = {
        {10, 0, "Windows 10", 12}, {6, 3, "Windows 8.1", 11},    {6, 2, "Windows 8", 10},
        {6, 1, "Windows 7", 9},    {6, 0, "Windows Vista", 8},   {5, 2, "Unsupported OS", 0},
        {6, 4, "Unsupported OS", 0}, {10, 1, "Unsupported OS", 0}, {0, 0, "Unsupported OS", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        const OsVersionRow& row = LookupOsVersion(c.major, c.minor);
        EXPECT_STREQ(c.name, row.name);
        EXPECT_EQ(c.code, row.code);
    }
}

TEST(GetOSVersion, NamesTheWindowsVersionOfThePrefix) {
    struct Case {
        const char* wineVersion;
        const char* code;
        const char* name;
    };
    const Case cases[] = {
        {"win10", "12", "Windows 10"}, {"win81", "11", "Windows 8.1"},     {"win8", "10", "Windows 8"},
        {"win7", "9", "Windows 7"},    {"vista", "8", "Windows Vista"},    {"win2008", "8", "Windows Vista"},
        {"win2003", "0", "Unsupported OS"}, {"winxp64", "0", "Unsupported OS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wineVersion);
        ScopedWineVersion version("sysdep_probe.exe", c.wineVersion);
        const ProbeRun run = RunProbe("osversion");
        EXPECT_EQ(c.code, run.output);
        EXPECT_TRUE(Contains(run.debugLines, std::string("ORXSYSDEP: GetOSVersion returned ") + c.name));
    }
}

// GetLogDataDir against a data directory of the test's own: ALLUSERSPROFILE
// is pointed at a fresh temporary directory for each test.
class LogDataDir : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = MakeTempDir("logdatadir");
        allUsers_.Set(base_);
    }
    void TearDown() override {
        RemoveTree(base_);
        if (!programDataTop_.empty()) RemoveTree("C:\\ProgramData\\" + programDataTop_);
    }

    bool Call(const std::string& logPath, std::string& buffer) {
        logPathValue_.SetString(logPath);
        char raw[260] = "untouched";
        const bool ok = GetLogDataDir(raw, sizeof raw);
        buffer = raw;
        return ok;
    }

    // A top directory under the fixed fallback base, removed afterwards.
    std::string FallbackTop() {
        programDataTop_ = "OrxSysdepTest" + std::to_string(GetCurrentProcessId());
        return programDataTop_;
    }

    std::string base_;
    ScopedEnvVar allUsers_{"ALLUSERSPROFILE"};
    ScopedRegValue logPathValue_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};

private:
    std::string programDataTop_;
};

TEST_F(LogDataDir, CreatesBothLevelsUnderTheAllUsersDirectory) {
    std::string buffer;
    EXPECT_TRUE(Call("Vendor\\Logs", buffer));
    EXPECT_EQ(base_ + "\\Vendor\\Logs", buffer);
    EXPECT_TRUE(DirExists(base_ + "\\Vendor\\Logs"));
}

TEST_F(LogDataDir, ExistingDirectoriesAreTakenAsTheyAre) {
    ASSERT_TRUE(CreateDirectoryA((base_ + "\\Vendor").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((base_ + "\\Vendor\\Logs").c_str(), nullptr));
    std::string buffer;
    EXPECT_TRUE(Call("Vendor\\Logs", buffer));
    EXPECT_EQ(base_ + "\\Vendor\\Logs", buffer);
}

TEST_F(LogDataDir, AParentOfSeveralLevelsMustExistUpToItsLast) {
    std::string buffer;
    EXPECT_FALSE(Call("A\\B\\C", buffer));
    EXPECT_EQ(base_ + "\\A\\B", buffer);
    EXPECT_FALSE(DirExists(base_ + "\\A"));

    ASSERT_TRUE(CreateDirectoryA((base_ + "\\A").c_str(), nullptr));
    EXPECT_TRUE(Call("A\\B\\C", buffer));
    EXPECT_EQ(base_ + "\\A\\B\\C", buffer);
}

TEST_F(LogDataDir, AnUnusableLogPathLeavesTheBufferUntouched) {
    std::string buffer;
    EXPECT_FALSE(Call("NoBackslash", buffer));
    EXPECT_EQ(kUntouched, buffer);
    EXPECT_FALSE(DirExists(base_ + "\\NoBackslash"));

    // Longer than the 260 bytes the value may hold.
    EXPECT_FALSE(Call("A\\" + std::string(300, 'x'), buffer));
    EXPECT_EQ(kUntouched, buffer);

    ASSERT_TRUE(logPathValue_.Remove());
    char raw[260] = "untouched";
    EXPECT_FALSE(GetLogDataDir(raw, sizeof raw));
    EXPECT_STREQ(kUntouched, raw);
}

TEST_F(LogDataDir, AllUsersNamingAFileIsUsedAsTheBase) {
    const std::string file = base_ + "\\plainfile";
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fclose(f);
    allUsers_.Set(file);

    std::string buffer;
    EXPECT_FALSE(Call("Vendor\\Logs", buffer));  // no directory below a file
    EXPECT_EQ(file + "\\Vendor", buffer);
}

TEST_F(LogDataDir, MissingOrUnusableAllUsersFallsBackToProgramData) {
    const std::string top = FallbackTop();
    const std::string expected = "C:\\ProgramData\\" + top + "\\Logs";
    std::string buffer;

    allUsers_.Remove();
    EXPECT_TRUE(Call(top + "\\Logs", buffer));
    EXPECT_EQ(expected, buffer);

    // Too long for the work buffers: a cut path would name another directory.
    allUsers_.Set(base_ + "\\" + std::string(270, 'y'));
    EXPECT_TRUE(Call(top + "\\Logs", buffer));
    EXPECT_EQ(expected, buffer);
}

TEST_F(LogDataDir, AllUsersNamingAMissingDirectoryIsReportedAndReplaced) {
    const std::string top = FallbackTop();
    const std::string missing = base_ + "\\not-there";
    allUsers_.Set(missing);

    DebugOutputCapture capture;
    std::string buffer;
    EXPECT_TRUE(Call(top + "\\Logs", buffer));
    EXPECT_EQ("C:\\ProgramData\\" + top + "\\Logs", buffer);
    capture.Settle();
    EXPECT_TRUE(Contains(capture.TextsFrom(GetCurrentProcessId()), "ORXSYSDEP: Error 2 on opening " + missing + "."));
}

TEST_F(LogDataDir, OnVistaTheBaseIsAlwaysProgramData) {
    const std::string top = FallbackTop();
    logPathValue_.SetString(top + "\\Logs");
    ScopedWineVersion version("sysdep_probe.exe", "vista");
    const ProbeRun run = RunProbe("logdatadir");  // inherits ALLUSERSPROFILE = base_
    EXPECT_EQ("1|C:\\ProgramData\\" + top + "\\Logs", run.output);
    EXPECT_TRUE(Contains(run.debugLines, "ORXSYSDEP: Unknown OS version"));
}
