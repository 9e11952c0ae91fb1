// Both trace channels for real: "StarterLogFile" in the registry, the
// debugger output captured, the day's file read back.
#include "DebugTrace.h"
#include "sysdep.h"

#include "DebugCapture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const std::string kTimestamp = R"(\d{8} \d{2}:\d{2}:\d{2}:\d{3})";

// `text` as a pattern that matches it literally.
std::string Literal(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

bool Matches(const std::string& text, const std::string& pattern) { return std::regex_match(text, std::regex(pattern)); }

// A data directory of the test's own (ALLUSERSPROFILE points at a fresh
// temporary directory), with its LogFiles directory, and "StarterLogFile"
// set as each test needs. Both channels are switched off again afterwards.
// The App Paths key's change notification reaches the IPC trace moments
// after the change; from the first operation after that, the new value holds.
bool IpcTraceFollows(bool expectedResult, uint32_t expectedFlags) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (IPCDebugTraceInit() == expectedResult && GetIPCDebugTraceFlags() == expectedFlags) return true;
        Sleep(10);
    }
    return false;
}

class TraceChannels : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = MakeTempDir("trace");
        allUsers_.Set(base_);
        ASSERT_TRUE(logPath_.SetString("Vendor\\Logs"));
        dataDir_ = base_ + "\\Vendor\\Logs";
        char dir[260] = {};
        ASSERT_TRUE(GetLogDataDir(dir, sizeof dir));
        ASSERT_TRUE(CreateDirectoryA((dataDir_ + "\\LogFiles").c_str(), nullptr));
        file_ = dataDir_ + "\\LogFiles\\" + TodayDashed() + "-vpnstarterdbg.log";
        thread_ = std::to_string(GetCurrentThreadId());
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
    std::vector<std::string> DebuggerTexts() {
        capture_.Settle(100);
        std::vector<std::string> texts;
        for (const std::string& t : capture_.TextsFrom(GetCurrentProcessId())) {
            if (t.rfind("ORXSYSDEP: ", 0) != 0) texts.push_back(t);
        }
        return texts;
    }

    std::string Service(const std::string& source, const std::string& message) const {
        return " [VPNSTARTER64][" + thread_ + "] (" + source + ") " + message;
    }

    std::string base_, dataDir_, file_, thread_;
    ScopedEnvVar allUsers_{"ALLUSERSPROFILE"};
    ScopedRegValue logFile_{HKEY_LOCAL_MACHINE, kAppPathsKey, "StarterLogFile"};
    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    DebugOutputCapture capture_;
};

}  // namespace

TEST_F(TraceChannels, WithoutTheValueNothingIsWrittenAnywhere) {
    ASSERT_TRUE(logFile_.Remove());
    DebugTraceInit();
    DebugTrace("alpha.src", 1, "service line");
    EXPECT_TRUE(IpcTraceFollows(false, 0));
    IPCDebugTrace("alpha.src", 2, "ipc line");

    EXPECT_TRUE(DebuggerTexts().empty());
    EXPECT_FALSE(FileExists(file_));
}

TEST_F(TraceChannels, OneSendsUntimestampedLinesToTheDebuggerOnly) {
    ASSERT_TRUE(logFile_.SetBinary({1}));
    DebugTraceInit();
    DebugTrace("D:\\work\\src\\alpha.src", 75, "=> CService::Run...\n");
    DebugTrace("alpha.src", 76, "value %d, text %s, hex %08X", 42, "abc", 0xBEEFu);
    ASSERT_TRUE(IpcTraceFollows(true, 1));
    IPCDebugTrace("C:\\lib\\interps.cpp", 9, "=> IPCSendMsg");

    // The data directory is announced once, first.
    EXPECT_EQ((std::vector<std::string>{
                  dataDir_,
                  Service("alpha.src:75", "=> CService::Run...\n"),
                  Service("alpha.src:76", "value 42, text abc, hex 0000BEEF\n"),
                  "[INTERPS][" + thread_ + "] (interps.cpp:9) => IPCSendMsg\n",
              }),
              DebuggerTexts());
    EXPECT_FALSE(FileExists(file_));
}

TEST_F(TraceChannels, TwoAppendsTimestampedCrLfLinesToTheFileOnly) {
    ASSERT_TRUE(logFile_.SetBinary({2}));
    DebugTraceInit();
    DebugTrace("D:\\work\\src\\beta.src", 10, "with feed\n");
    DebugTrace("gamma.src", 11, "without feed");
    ASSERT_TRUE(IpcTraceFollows(true, 2));
    IPCDebugTrace("\\delta.src", 12, "ipc");  // its only backslash is its first character

    EXPECT_EQ(std::vector<std::string>{dataDir_}, DebuggerTexts());
    const std::string content = ReadFileBytes(file_);
    EXPECT_TRUE(Matches(content, kTimestamp + Literal(Service("beta.src:10", "with feed\r\n")) +        //
                                     kTimestamp + Literal(Service("gamma.src:11", "without feed\r\n")) +  //
                                     kTimestamp + Literal(" [INTERPS][" + thread_ + "] (\\delta.src:12) ipc\r\n")))
        << content;
}

TEST_F(TraceChannels, ThreeWritesBothAndTheDebuggerLinesCarryTheTimestamp) {
    ASSERT_TRUE(logFile_.SetBinary({3}));
    DebugTraceInit();
    DebugTrace("alpha.src", 5, "both");

    const std::vector<std::string> texts = DebuggerTexts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(dataDir_, texts[0]);
    EXPECT_TRUE(Matches(texts[1], kTimestamp + Literal(Service("alpha.src:5", "both\n")))) << texts[1];
    EXPECT_TRUE(Matches(ReadFileBytes(file_), kTimestamp + Literal(Service("alpha.src:5", "both\r\n"))));
}

TEST_F(TraceChannels, AFourByteNumberIsReadByItsLowByte) {
    ASSERT_TRUE(logFile_.SetDword(2));
    DebugTraceInit();
    ASSERT_TRUE(IpcTraceFollows(true, 2));
    DebugTrace("a.src", 1, "service");
    IPCDebugTrace("a.src", 2, "ipc");
    EXPECT_EQ(std::vector<std::string>{dataDir_}, DebuggerTexts());
    EXPECT_TRUE(Matches(ReadFileBytes(file_), "(" + kTimestamp + " [^\r\n]*\r\n){2}"));

    // 0x100: the low byte is 0, so the trace is off (a wider read would see
    // a non-zero word and announce the data directory).
    capture_.Clear();
    ASSERT_TRUE(logFile_.SetDword(0x100));
    DebugTraceInit();
    DebugTrace("a.src", 3, "service");
    EXPECT_TRUE(DebuggerTexts().empty());
    EXPECT_EQ(0u, GetDebugTraceFlags());
}

TEST_F(TraceChannels, DebugOnWhileTheTraceWasOffAtStartWritesNoFile) {
    ASSERT_TRUE(logFile_.SetBinary({2}));
    DebugTraceInit();  // a path from an earlier start must not be reused
    ASSERT_TRUE(logFile_.Remove());
    DebugTraceInit();
    SetDebugTraceFlags(TRACE_TO_FILE);  // the GUI's debug-on request
    DebugTrace("a.src", 1, "nowhere");
    EXPECT_EQ(2u, GetDebugTraceFlags());
    EXPECT_FALSE(FileExists(file_));
    EXPECT_TRUE(DebuggerTexts().size() == 1u);  // only the first start's announcement
}

TEST_F(TraceChannels, DebugOffSilencesTheServiceChannelButNotTheIpcChannel) {
    ASSERT_TRUE(logFile_.SetBinary({1}));
    DebugTraceInit();
    ASSERT_TRUE(IpcTraceFollows(true, 1));
    capture_.Clear();
    SetDebugTraceFlags(0);  // the GUI's debug-off request
    DebugTrace("a.src", 1, "gone");
    IPCDebugTrace("a.src", 2, "kept");
    EXPECT_EQ(std::vector<std::string>{"[INTERPS][" + thread_ + "] (a.src:2) kept\n"}, DebuggerTexts());
}

TEST_F(TraceChannels, TheIpcChannelFollowsTheRegistryAtItsNextOperations) {
    ASSERT_TRUE(logFile_.SetBinary({1}));
    DebugTraceInit();
    ASSERT_TRUE(IpcTraceFollows(true, 1));
    capture_.Clear();
    const std::string ipcPrefix = "[INTERPS][" + thread_ + "] (a.src:";

    ASSERT_TRUE(logFile_.SetBinary({0}));
    IPCDebugTrace("a.src", 1, "before the next operation");
    DebugTrace("a.src", 2, "service channel keeps its start settings");
    EXPECT_TRUE(IpcTraceFollows(true, 0));  // the value was read, whatever it holds
    IPCDebugTrace("a.src", 3, "switched off");
    EXPECT_EQ((std::vector<std::string>{ipcPrefix + "1) before the next operation\n",
                                        Service("a.src:2", "service channel keeps its start settings\n")}),
              DebuggerTexts());

    ASSERT_TRUE(logFile_.Remove());
    EXPECT_TRUE(IpcTraceFollows(false, 0));

    ASSERT_TRUE(logFile_.SetBinary({2}));
    ASSERT_TRUE(IpcTraceFollows(true, 2));
    IPCDebugTrace("a.src", 4, "to the file");
    EXPECT_TRUE(Matches(ReadFileBytes(file_), kTimestamp + Literal(" " + ipcPrefix + "4) to the file\r\n")));
}

TEST_F(TraceChannels, OverlongTextIsCutToOneLineOfTheBuffer) {
    ASSERT_TRUE(logFile_.SetBinary({2}));
    DebugTraceInit();
    const std::string huge(3000, 'x');
    DebugTrace("a.src", 1, "%s%s", huge.c_str(), huge.c_str());
    const std::string content = ReadFileBytes(file_);
    ASSERT_GE(content.size(), 2u);
    EXPECT_EQ(510u + 2u, content.size());  // 510 characters, then CR LF
    EXPECT_EQ("x\r\n", content.substr(content.size() - 3));
    EXPECT_EQ(1u, std::count(content.begin(), content.end(), '\n'));
}
