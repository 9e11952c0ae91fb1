// INTERPS channels between two Wine processes: this test program on one side,
// ipctool (the library) or rawpeer (the bare format) on the other.
#include "IpcTestSupport.h"

#include "DebugTrace.h"
#include "interps.h"

#include <gtest/gtest.h>

#include <thread>

using namespace ipc_test;
using testing_support::RunProcess;

namespace {

class CrossProcess : public ::testing::Test {
protected:
    std::vector<std::string> LinesOf(DWORD pid) {
        capture.Settle();
        return IpcLines(capture, pid);
    }
    std::vector<std::string> OwnLines() { return LinesOf(GetCurrentProcessId()); }

    IpcTraceSetting trace{TRACE_TO_DEBUGGER};  // read by the peers at their start too
    testing_support::DebugOutputCapture capture;
};

struct TimedSend {
    bool sent = false;
    ULONGLONG elapsedMs = 0;
};

TimedSend SendTimed(HANDLE channel, const std::vector<uint8_t>& message) {
    TimedSend result;
    const ULONGLONG start = GetTickCount64();
    result.sent = IPCSendMsg(channel, message.data(), static_cast<DWORD>(message.size()));
    result.elapsedMs = GetTickCount64() - start;
    return result;
}

}  // namespace

TEST_F(CrossProcess, ListenerPrintsExactBytesAnd697IsRefusedBeforeTheMailbox) {
    const std::string name = UniqueName("xexact");
    auto listener = StartListener("ipctool.exe", name, "--count 3");
    ASSERT_TRUE(listener);
    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_NE(nullptr, client);

    const auto first = PatternMessage(0x0004, 40);
    const auto largest = PatternMessage(0x1004, 696);
    const auto tooLong = PatternMessage(0x1004, 697);
    const auto last = PatternMessage(0x0009, 4);
    EXPECT_TRUE(IPCSendMsg(client, first.data(), 40));
    EXPECT_TRUE(IPCSendMsg(client, largest.data(), 696));
    EXPECT_FALSE(IPCSendMsg(client, tooLong.data(), 697));
    EXPECT_TRUE(IPCSendMsg(client, last.data(), 4));

    DWORD exitCode = 1;
    ASSERT_TRUE(listener->Wait(20000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(PrintedLines({first, largest, last}), ListenerLines(listener->Output()));
    EXPECT_TRUE(Contains(OwnLines(), "<= IPCSendMsg data size exceeded msg structure size ! MSG ID : 0x00001004"));
    EXPECT_TRUE(IPCUnitialize(client));
}

TEST_F(CrossProcess, ServerReceivesExactBytesFromAnotherProcess) {
    const std::string name = UniqueName("xserver");
    Inbox inbox;
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    const std::vector<std::vector<uint8_t>> sent = {PatternMessage(0x0003, 1), PatternMessage(0x2002, 696)};
    for (const auto& message : sent) {
        const auto result = RunProcess(ToolCommand("ipctool.exe", "send " + name + " " + Hex(message)));
        EXPECT_EQ(0u, result.exitCode) << result.output;
    }
    ASSERT_TRUE(inbox.WaitFor(sent.size(), 10000));
    EXPECT_EQ(sent, inbox.Messages());
    EXPECT_TRUE(IPCUnitialize(server));
}

TEST_F(CrossProcess, SendersGiveUpAfter2000MsWhileTheReceiverIsBusy) {
    const std::string name = UniqueName("xbusy");
    auto listener = StartListener("ipctool.exe", name, "--count 2 --hold-ms 3000");
    ASSERT_TRUE(listener);
    HANDLE first = IPCInitClient(name.c_str());
    HANDLE second = IPCInitClient(name.c_str());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    const auto message = PatternMessage(0x1004, 696);

    ASSERT_TRUE(IPCSendMsg(first, message.data(), 696));
    const ULONGLONG heldFrom = GetTickCount64();
    ASSERT_TRUE(listener->WaitForOutput("696 ", 10000));  // the receiver now holds it for 3 s

    TimedSend a, b;
    std::thread senderA([&] { a = SendTimed(first, message); });
    std::thread senderB([&] { b = SendTimed(second, message); });
    senderA.join();
    senderB.join();
    for (const TimedSend& s : {a, b}) {
        EXPECT_FALSE(s.sent);
        EXPECT_GE(s.elapsedMs, 1900u);
        EXPECT_LT(s.elapsedMs, 2900u);  // gave up, rather than waiting for the callback
    }
    const auto lines = OwnLines();
    size_t timeouts = 0;
    for (const auto& line : lines) {
        if (line == "<= IPCSendMsg MSG ID 0x00001004 WaitForSingleObject failed with WAIT_TIMEOUT") ++timeouts;
    }
    EXPECT_EQ(2u, timeouts);

    // Once the callback has returned, the next send goes through at once.
    const ULONGLONG heldFor = GetTickCount64() - heldFrom;
    if (heldFor < 3500) Sleep(static_cast<DWORD>(3500 - heldFor));
    const TimedSend next = SendTimed(first, message);
    EXPECT_TRUE(next.sent);
    EXPECT_LT(next.elapsedMs, 1000u);
    EXPECT_TRUE(listener->Wait(20000));
    EXPECT_EQ(PrintedLines({message, message}), ListenerLines(listener->Output()));
    IPCUnitialize(first);
    IPCUnitialize(second);
}

TEST_F(CrossProcess, SilentNotifyLeavesOnlyItsThreeSendingLines) {
    const std::string name = UniqueName("xsilent");
    auto listener = StartListener("ipctool.exe", name, "--count 2");
    ASSERT_TRUE(listener);
    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_NE(nullptr, client);
    capture.Settle();
    capture.Clear();

    const auto silent = PatternMessage(0x000E, 696);
    const auto marker = PatternMessage(0x0004, 8);
    EXPECT_TRUE(IPCSendMsg(client, silent.data(), 696));
    EXPECT_TRUE(IPCSendMsg(client, marker.data(), 8));
    ASSERT_TRUE(listener->Wait(20000));
    EXPECT_EQ(PrintedLines({silent, marker}), ListenerLines(listener->Output()));

    const auto sending = OwnLines();
    ASSERT_GE(sending.size(), 4u);
    EXPECT_EQ("=> IPCSendMsg data size 696, svc msg size 696", sending[0]);
    EXPECT_EQ(0u, sending[1].rfind("   p->pVF=0x", 0));
    EXPECT_EQ(0u, sending[2].rfind("   MEMORY_BASIC_INFORMATION  Type=0x", 0));
    EXPECT_EQ("=> IPCSendMsg data size 8, svc msg size 696", sending[3]);

    std::vector<std::string> processing;
    for (const auto& line : LinesOf(listener->pid())) {
        if (line.find("ServerRecvProc: processing") != std::string::npos) processing.push_back(line);
    }
    EXPECT_EQ(std::vector<std::string>{"   ServerRecvProc: processing message with type 0x00000004"}, processing);
    IPCUnitialize(client);
}

TEST_F(CrossProcess, ClientBeforeItsServerFailsThenOpensAndClosesOnce) {
    const std::string name = UniqueName("xearly");
    EXPECT_EQ(nullptr, IPCInitClient(name.c_str()));
    EXPECT_TRUE(Contains(OwnLines(), "<= IPCInitClient(" + name + ") OpenFileMapping failed, err=00000002."));

    auto listener = StartListener("ipctool.exe", name);
    ASSERT_TRUE(listener);
    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_NE(nullptr, client);
    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_FALSE(IPCUnitialize(client));
    const auto message = PatternMessage(0x1004, 8);
    EXPECT_FALSE(IPCSendMsg(client, message.data(), 8));
    const auto lines = OwnLines();
    EXPECT_TRUE(Contains(lines, "<= IPCUnitialize RetrieveItem failed"));
    EXPECT_TRUE(Contains(lines, "<= IPCSendMsg INVALID HANDLE! MSG ID : 0x00001004"));
}

TEST_F(CrossProcess, SendToASectionWithoutEventsFailsWithAReason) {
    const std::string name = UniqueName("xnoevents");
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 704, name.c_str());
    ASSERT_NE(nullptr, section);
    const auto result = RunProcess(ToolCommand("ipctool.exe", "send " + name + " 01000000"));
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_NE(std::string::npos, result.output.find("cannot open channel " + name)) << result.output;
    CloseHandle(section);
}

TEST_F(CrossProcess, SecondServerOnANameInUseJoinsItWithoutDisturbingThePeer) {
    const std::string name = UniqueName("xtwice");
    auto listener = StartListener("ipctool.exe", name, "--count 1");
    ASSERT_TRUE(listener);
    Inbox inbox;
    HANDLE second = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, second);
    const auto lines = OwnLines();
    EXPECT_TRUE(Contains(lines, "   IPCInitServer(" + name + "): Server or client with the same name already exists!"));
    EXPECT_TRUE(Contains(lines, "   FileMapping " + name + " already exists"));
    EXPECT_TRUE(IPCUnitialize(second));

    const auto result = RunProcess(ToolCommand("ipctool.exe", "send " + name + " 0a000000"));
    EXPECT_EQ(0u, result.exitCode) << result.output;
    ASSERT_TRUE(listener->Wait(20000));
    EXPECT_EQ(std::vector<std::string>{"4 0a000000"}, ListenerLines(listener->Output()));
    EXPECT_TRUE(inbox.Messages().empty());
}

TEST_F(CrossProcess, ForgedLengthFieldNeverReachesTheCallback) {
    const std::string name = UniqueName("xforged");
    auto listener = StartListener("ipctool.exe", name, "--count 1");
    ASSERT_TRUE(listener);
    const auto forged = RunProcess(ToolCommand("rawpeer.exe", "forge " + name + " 697"));
    EXPECT_EQ(0u, forged.exitCode) << forged.output;

    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_NE(nullptr, client);
    const auto message = PatternMessage(0x0004, 12);
    EXPECT_TRUE(IPCSendMsg(client, message.data(), 12));  // the mailbox was freed
    ASSERT_TRUE(listener->Wait(20000));
    EXPECT_EQ(PrintedLines({message}), ListenerLines(listener->Output()));
    EXPECT_TRUE(Contains(LinesOf(listener->pid()),
                         "   ServerRecvProc: malformed message with length 697 (above 696), dropped"));
    IPCUnitialize(client);
}
