// Both trace channels for real: "StarterLogFile" in the registry, the
// debugger output captured, the day's file read back. The trace's line
// formats are checked here, and only here.
#include "orxstarter/trace/DebugTrace.h"

#include "tests/support/DebugCapture.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>

#include <filesystem>
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
        ASSERT_TRUE(settings_.SetString("LogPath", "Vendor\\Logs"));
        ASSERT_TRUE(std::filesystem::create_directories(dataDir_ + "\\LogFiles"));
        SetIPCDebugTag("INTERPS");
    }

    void TearDown() override {
        settings_.Remove("StarterLogFile");
        DebugTraceInit();
        IpcTraceFollows(false, 0);
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
    ScopedServiceSettings settings_;
    DebugOutputCapture capture_;
};

}  // namespace

TEST_F(TraceChannels, EachValueOfStarterLogFileChoosesTheOutputsOfEachChannel) {
    // The value's bytes (none: absent), the flags of each channel, and whether
    // the IPC channel read the value. Two bytes are a little-endian word for
    // the service channel; the IPC channel reads exactly one byte, so they
    // leave it off. A 4-byte number is read by its low byte: 0x100 is off,
    // where a wider read would see a non-zero word and announce the directory.
    struct Case { std::vector<uint8_t> value; uint32_t service, ipc; bool ipcFound; };
    const Case cases[] = {{{}, 0, 0, false},         {{1}, 1, 1, true},          {{2}, 2, 2, true},
                          {{3}, 3, 3, true},         {{2, 1}, 0x102, 0, false},  {{2, 0, 0, 0}, 2, 2, true},
                          {{0, 1, 0, 0}, 0, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.value));
        ASSERT_TRUE(c.value.empty() ? settings_.Remove("StarterLogFile")
                                    : settings_.SetBinary("StarterLogFile", c.value));
        DeleteFileA(file_.c_str());
        capture_.Clear();
        DebugTraceInit();
        EXPECT_EQ(c.service, GetDebugTraceFlags());
        ASSERT_TRUE(IpcTraceFollows(c.ipcFound, c.ipc));
        DebugTrace("D:\\work\\src\\alpha.src", 75, "=> CService::Run...\n");
        DebugTrace("gamma.src", 76, "value %d, text %s, hex %08X", 42, "abc", 0xBEEFu);
        IPCDebugTrace("\\delta.src", 9, "=> IPCSendMsg");  // its only backslash is its first character

        // With file output every line starts with the time (the IPC channel's
        // with a blank after it), and the file ends each line in CR LF. The
        // data directory is announced first, once, whenever the service
        // channel is on.
        Texts debugger = c.service != 0 ? Texts{dataDir_} : Texts{};
        std::string file;
        const auto expect = [&](uint32_t flags, const std::string& time, const std::string& line) {
            const std::string text = (flags & TRACE_TO_FILE ? time : "") + line;
            if (flags & TRACE_TO_DEBUGGER) debugger.push_back(text + "\n");
            if (flags & TRACE_TO_FILE) file += text + "\r\n";
        };
        expect(c.service, "<time>", Service("alpha.src:75", "=> CService::Run..."));
        expect(c.service, "<time>", Service("gamma.src:76", "value 42, text abc, hex 0000BEEF"));
        expect(c.ipc, "<time> ", Ipc("\\delta.src:9", "=> IPCSendMsg"));
        EXPECT_EQ(debugger, DebuggerTexts());
        EXPECT_EQ(file, FileText());
        EXPECT_EQ(!file.empty(), FileExists(file_));
    }

    // The trace is off at this start, the one before wrote to the file: the
    // GUI's debug-on request now finds no file to write, not even that one.
    SetDebugTraceFlags(TRACE_TO_FILE);
    DebugTrace("a.src", 1, "nowhere");
    EXPECT_FALSE(FileExists(file_));
    EXPECT_THAT(DebuggerTexts(), ElementsAre());
}

TEST_F(TraceChannels, TheIpcChannelFollowsTheRegistryAtItsNextOperationAndIgnoresDebugOff) {
    ASSERT_TRUE(settings_.SetBinary("StarterLogFile", {1}));
    DebugTraceInit();
    ASSERT_TRUE(IpcTraceFollows(true, 1));
    capture_.Clear();

    ASSERT_TRUE(settings_.SetBinary("StarterLogFile", {0}));
    IPCDebugTrace("a.src", 1, "before the next operation");
    DebugTrace("a.src", 2, "service channel keeps its start settings");
    EXPECT_TRUE(IpcTraceFollows(true, 0));  // the value was read, whatever it holds
    IPCDebugTrace("a.src", 3, "switched off");
    EXPECT_THAT(DebuggerTexts(), ElementsAre(Ipc("a.src:1", "before the next operation\n"),
                                             Service("a.src:2", "service channel keeps its start settings\n")));
    capture_.Clear();

    // The GUI's debug-off request silences the service channel only. A line
    // longer than the buffer is cut to 510 characters, the time's 21 among
    // them, before its CR LF.
    ASSERT_TRUE(settings_.SetBinary("StarterLogFile", {2}));
    ASSERT_TRUE(IpcTraceFollows(true, 2));
    DebugTraceInit();
    const std::string huge(3000, 'x');
    DebugTrace("a.src", 4, "%s%s", huge.c_str(), huge.c_str());
    SetDebugTraceFlags(0);
    DebugTrace("a.src", 5, "gone");
    IPCDebugTrace("a.src", 6, "to the file");
    const std::string head = Service("a.src:4", "");
    EXPECT_EQ("<time>" + head + std::string(510 - 21 - head.size(), 'x') + "\r\n<time> " +
                  Ipc("a.src:6", "to the file\r\n"),
              FileText());
    EXPECT_THAT(DebuggerTexts(), ElementsAre(dataDir_));  // announced by the start, nothing else
}
