// Both trace channels for real: "StarterLogFile" in the registry, the
// debugger output captured, the day's file read back.
#include "orxstarter/trace/DebugTrace.h"

#include "tests/support/DebugCapture.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

using namespace testing_support;
using ::testing::ElementsAre;
using Texts = std::vector<std::string>;

namespace {

// `text` with each timestamp shown as "<time>".
std::string Untimed(const std::string& text) {
    static const std::regex timestamp(R"(\d{8} \d{2}:\d{2}:\d{2}:\d{3})");
    return std::regex_replace(text, timestamp, "<time>");
}

// The App Paths key's change notification reaches the IPC trace moments
// after the change; from the first operation after that, the new value holds.
bool IpcTraceFollows(bool expectedResult, uint32_t expectedFlags) {
    for (int attempt = 0; attempt < 200; ++attempt, Sleep(10)) {
        if (IPCDebugTraceInit() == expectedResult && GetIPCDebugTraceFlags() == expectedFlags) return true;
    }
    return false;
}

// A data directory of the test's own (ALLUSERSPROFILE points at a fresh
// temporary directory), with its LogFiles directory, and "StarterLogFile"
// set as each test needs. Both channels are switched off again afterwards.
class TraceChannels : public ::testing::Test {
protected:
    void SetUp() override {
        allUsers_.Set(base_);
        ASSERT_TRUE(logPath_.SetString("Vendor\\Logs"));
        ASSERT_TRUE(std::filesystem::create_directories(dataDir_ + "\\LogFiles"));
        SetIPCDebugTag("INTERPS");
    }

    void TearDown() override {
        logFile_.Remove();
        DebugTraceInit();
        IPCDebugTraceInit();
        RemoveTree(base_);
    }

    // Debugger texts of this process so far, without the system-dependency
    // diagnostics that finding the data directory writes.
    Texts DebuggerTexts() {
        capture_.Settle(100);
        Texts texts;
        for (const std::string& t : capture_.TextsFrom(GetCurrentProcessId())) {
            if (t.rfind("ORXSYSDEP: ", 0) != 0) texts.push_back(Untimed(t));
        }
        return texts;
    }

    std::string FileText() { return Untimed(ReadFileBytes(file_)); }

    const std::string thread_ = std::to_string(GetCurrentThreadId());
    std::string Service(const std::string& source, const std::string& message) const {
        return " [VPNSTARTER64][" + thread_ + "] (" + source + ") " + message;
    }
    std::string Ipc(const std::string& source, const std::string& message) const {
        return "[INTERPS][" + thread_ + "] (" + source + ") " + message;
    }

    const std::string base_ = MakeTempDir("trace"), dataDir_ = base_ + "\\Vendor\\Logs";
    const std::string file_ = dataDir_ + "\\LogFiles\\" + TodayDashed() + "-vpnstarterdbg.log";
    ScopedEnvVar allUsers_{"ALLUSERSPROFILE"};
    ScopedRegValue logFile_{HKEY_LOCAL_MACHINE, kAppPathsKey, "StarterLogFile"};
    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    DebugOutputCapture capture_;
};

}  // namespace

TEST_F(TraceChannels, EachValueOfStarterLogFileChoosesTheOutputs) {
    struct Case { const char* what; std::function<bool()> set; uint32_t flags; bool found; };
    const Case cases[] = {
        {"absent", [&] { return logFile_.Remove(); }, 0, false},
        {"1", [&] { return logFile_.SetBinary({1}); }, 1, true},
        {"2", [&] { return logFile_.SetBinary({2}); }, 2, true},
        {"3", [&] { return logFile_.SetBinary({3}); }, 3, true},
        // A 4-byte number is read by its low byte: 0x100 is off, where a
        // wider read would see a non-zero word and announce the directory.
        {"number 2", [&] { return logFile_.SetDword(2); }, 2, true},
        {"number 0x100", [&] { return logFile_.SetDword(0x100); }, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.set());
        DeleteFileA(file_.c_str());
        capture_.Clear();
        DebugTraceInit();
        ASSERT_TRUE(IpcTraceFollows(c.found, c.flags));
        DebugTrace("D:\\work\\src\\alpha.src", 75, "=> CService::Run...\n");
        DebugTrace("gamma.src", 76, "value %d, text %s, hex %08X", 42, "abc", 0xBEEFu);
        IPCDebugTrace("\\delta.src", 9, "=> IPCSendMsg");  // its only backslash is its first character

        // With file output every line starts with the time (the IPC channel's
        // with a blank after it), and the file ends each line in CR LF.
        const bool toFile = c.flags & TRACE_TO_FILE;
        const Texts lines = {(toFile ? "<time>" : "") + Service("alpha.src:75", "=> CService::Run..."),
                             (toFile ? "<time>" : "") + Service("gamma.src:76", "value 42, text abc, hex 0000BEEF"),
                             (toFile ? "<time> " : "") + Ipc("\\delta.src:9", "=> IPCSendMsg")};
        // The data directory is announced first, once, whenever the service channel is on.
        Texts debugger = c.flags != 0 ? Texts{dataDir_} : Texts{};
        std::string file;
        for (const std::string& line : lines) {
            if (c.flags & TRACE_TO_DEBUGGER) debugger.push_back(line + "\n");
            file += line + "\r\n";
        }
        EXPECT_EQ(debugger, DebuggerTexts());
        EXPECT_EQ(toFile ? file : "", FileText());
        EXPECT_EQ(toFile, FileExists(file_));
    }

    // The trace is off at this start, the one before wrote to the file: the
    // GUI's debug-on request now finds no file to write, not even that one.
    SetDebugTraceFlags(TRACE_TO_FILE);
    DebugTrace("a.src", 1, "nowhere");
    EXPECT_FALSE(FileExists(file_));
    EXPECT_THAT(DebuggerTexts(), ElementsAre());
}

TEST_F(TraceChannels, TheIpcChannelFollowsTheRegistryAtItsNextOperationAndIgnoresDebugOff) {
    ASSERT_TRUE(logFile_.SetBinary({1}));
    DebugTraceInit();
    ASSERT_TRUE(IpcTraceFollows(true, 1));
    capture_.Clear();

    ASSERT_TRUE(logFile_.SetBinary({0}));
    IPCDebugTrace("a.src", 1, "before the next operation");
    DebugTrace("a.src", 2, "service channel keeps its start settings");
    EXPECT_TRUE(IpcTraceFollows(true, 0));  // the value was read, whatever it holds
    IPCDebugTrace("a.src", 3, "switched off");
    EXPECT_THAT(DebuggerTexts(), ElementsAre(Ipc("a.src:1", "before the next operation\n"),
                                             Service("a.src:2", "service channel keeps its start settings\n")));

    ASSERT_TRUE(logFile_.Remove());
    EXPECT_TRUE(IpcTraceFollows(false, 0));

    // The GUI's debug-off request silences the service channel only.
    ASSERT_TRUE(logFile_.SetBinary({2}));
    ASSERT_TRUE(IpcTraceFollows(true, 2));
    capture_.Clear();
    SetDebugTraceFlags(0);
    DebugTrace("a.src", 4, "gone");
    IPCDebugTrace("a.src", 5, "to the file");
    EXPECT_THAT(DebuggerTexts(), ElementsAre());
    EXPECT_EQ("<time> " + Ipc("a.src:5", "to the file\r\n"), FileText());
}

TEST_F(TraceChannels, OverlongTextIsCutToOneLineOfTheBuffer) {
    ASSERT_TRUE(logFile_.SetBinary({2}));
    DebugTraceInit();
    const std::string huge(3000, 'x');
    DebugTrace("a.src", 1, "%s%s", huge.c_str(), huge.c_str());
    // 510 characters, the time's 21 among them, then CR LF.
    const std::string head = Service("a.src:1", "");
    EXPECT_EQ("<time>" + head + std::string(510 - 21 - head.size(), 'x') + "\r\n", FileText());
}
