// INTERPS channels between two Wine processes: this test program on one side,
// ipctool (the library) or rawpeer (the bare format, sharing no code with the
// library) on the other.
#include "tests/ipc/IpcTestSupport.h"
#include "common/orxinterps/src/interps.h"

#include <thread>

using namespace ipc_test;
using ::testing::Not;

namespace {

class CrossProcess : public TracedChannels {};

testing_support::ProcessResult Send(const std::string& exe, const std::string& name, const Bytes& message) {
    return testing_support::RunProcess(ToolCommand(exe, "send " + name + " \"" + Hex(message) + "\""));
}

}  // namespace

// 697 bytes are refused and printed nowhere. The receiver holds each message
// 3 s in its callback: senders give up after 2000 ms, the next send after the
// callback goes through at once. That one is type 14, which leaves only its
// three sending lines and none on receipt.
TEST_F(CrossProcess, SendersGiveUpOnABusyReceiverAndSilentNotifyIsBarelyTraced) {
    const std::string name = UniqueName("xbusy");
    auto listener = StartListener("ipctool.exe", name, "--count 2 --hold-ms 3000");
    ASSERT_TRUE(listener);
    HANDLE first = IPCInitClient(name.c_str()), second = IPCInitClient(name.c_str());
    ASSERT_TRUE(first && second);
    const Bytes message = PatternMessage(0x1004, 696), silent = PatternMessage(0x000E, 696);
    ClearTrace();
    EXPECT_FALSE(IPCSendMsg(first, PatternMessage(0x1004, 697).data(), 697));  // before any object is touched
    EXPECT_EQ((Lines{"=> IPCSendMsg data size 697, svc msg size 696",
                     "<= IPCSendMsg data size exceeded msg structure size ! MSG ID : 0x00001004"}),
              TraceOf());
    ASSERT_TRUE(IPCSendMsg(first, message.data(), 696));
    const ULONGLONG heldFrom = GetTickCount64();
    ASSERT_TRUE(listener->WaitForOutput("696 ", 10000));

    std::vector<std::thread> senders;
    for (HANDLE channel : {first, second}) {
        senders.emplace_back([&, channel] {
            const ULONGLONG start = GetTickCount64();
            EXPECT_FALSE(IPCSendMsg(channel, message.data(), 696));
            const ULONGLONG elapsed = GetTickCount64() - start;
            EXPECT_GE(elapsed, 1900u);
            EXPECT_LT(elapsed, 2900u);  // gave up, rather than waiting for the callback
        });
    }
    for (std::thread& sender : senders) sender.join();
    EXPECT_THAT(TraceOf(), Contains("<= IPCSendMsg MSG ID 0x00001004 WaitForSingleObject failed with WAIT_TIMEOUT")
                               .Times(2));
    const std::string processing = "   ServerRecvProc: processing message with type ";
    EXPECT_THAT(TraceOf(listener->pid()), Contains(processing + "0x00001004"));

    Sleep(static_cast<DWORD>(3500 - std::min<ULONGLONG>(3500, GetTickCount64() - heldFrom)));
    ClearTrace();
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(IPCSendMsg(first, silent.data(), 696));
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_THAT(TraceOf(), StartWith({"=> IPCSendMsg data size 696, svc msg size 696", "   p->pVF=0x",
                                      "   MEMORY_BASIC_INFORMATION  Type=0x"}));

    // ipctool gives up on the silent message's 3 s too, and says why.
    start = GetTickCount64();
    const auto refused = Send("ipctool.exe", name, {2, 0, 0, 0});
    EXPECT_EQ(1u, refused.exitCode);
    EXPECT_GE(GetTickCount64() - start, 1900u);
    EXPECT_NE(std::string::npos, refused.output.find("stayed busy for 2000 ms")) << refused.output;
    EXPECT_TRUE(listener->Wait(20000));
    EXPECT_EQ(PrintedLines({message, silent}), ListenerLines(listener->Output()));
    EXPECT_THAT(TraceOf(listener->pid()), Not(Contains(StartsWith(processing))));
    IPCUnitialize(first);
    IPCUnitialize(second);
}

// A client before its server fails; a second server on the name, once there
// is one, joins its section and events and leaves the first one undisturbed.
TEST_F(CrossProcess, ClientsBeforeTheServerFailAndASecondServerJoinsTheFirst) {
    const std::string name = UniqueName("xnames");
    EXPECT_EQ(nullptr, IPCInitClient(name.c_str()));
    auto listener = StartListener("ipctool.exe", name, "--count 1");
    ASSERT_TRUE(listener);
    std::atomic<int> count{0};
    HANDLE second = IPCInitServer(name.c_str(), CountMessages, nullptr, &count);
    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_TRUE(second && client);
    EXPECT_TRUE(IPCUnitialize(second));
    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_FALSE(IPCUnitialize(client));
    for (HANDLE closedOrNull : {client, static_cast<HANDLE>(nullptr)}) {
        EXPECT_FALSE(IPCSendMsg(closedOrNull, "\x04\x10\0\0", 4));
    }
    const Lines lines = TraceOf();
    for (const std::string& line :
         {"<= IPCInitClient(" + name + ") OpenFileMapping failed, err=00000002.",
          "   IPCInitServer(" + name + "): Server or client with the same name already exists!",
          "   FileMapping " + name + " already exists", std::string("<= IPCUnitialize RetrieveItem failed"),
          std::string("<= IPCSendMsg INVALID HANDLE! MSG ID : 0x00001004"),
          std::string("<= IPCSendMsg HANDLE NULL! MSG ID : 0x00001004")}) {
        EXPECT_THAT(lines, Contains(line));
    }
    EXPECT_THAT(lines, Contains(StartsWith("   IPCInitServer(" + name + "): CloseHandle success : ")));

    EXPECT_EQ(0u, Send("ipctool.exe", name, {10, 0, 0, 0}).exitCode);
    ASSERT_TRUE(listener->Wait(20000));
    EXPECT_EQ(Lines{"4 0a000000"}, ListenerLines(listener->Output()));
    EXPECT_EQ(0, count);
}

// A hostile or broken peer writes the length field straight into the
// section: the malformed messages are dropped and the mailbox freed each time
// (every forge waits for it), and a section never written holds zeros.
TEST_F(CrossProcess, ForgedLengthFieldAbove696NeverReachesTheCallback) {
    const std::string name = UniqueName("xforged");
    auto listener = StartListener("ipctool.exe", name, "--count 2");
    ASSERT_TRUE(listener);
    for (const char* length : {"4294967295", "697", "696"}) {
        const auto forged = testing_support::RunProcess(ToolCommand("rawpeer.exe", "forge " + name + " " + length));
        EXPECT_EQ(0u, forged.exitCode) << forged.output;
    }
    const Bytes message = PatternMessage(0x0004, 12);
    EXPECT_EQ(0u, Send("rawpeer.exe", name, message).exitCode);
    ASSERT_TRUE(listener->Wait(20000));
    EXPECT_EQ(PrintedLines({Bytes(696), message}), ListenerLines(listener->Output()));
    const Lines lines = TraceOf(listener->pid());
    for (const char* length : {"4294967295", "697"}) {
        EXPECT_THAT(lines, Contains(std::string("   ServerRecvProc: malformed message with length ") + length +
                                    " (above 696), dropped"));
    }
}

// ipctool against rawpeer: what one sends, the other prints byte for byte,
// in both directions.
TEST(Interop, EachSideListensToExactlyWhatTheOtherSends) {
    const std::vector<Bytes> payloads = {{}, PatternMessage(0x0001, 1), PatternMessage(0x1008, 4),
                                         PatternMessage(0x0004, 40), PatternMessage(0x9003, 696)};
    for (const auto& [listenerExe, senderExe] :
         {std::pair{"rawpeer.exe", "ipctool.exe"}, std::pair{"ipctool.exe", "rawpeer.exe"}}) {
        SCOPED_TRACE(std::string(senderExe) + " to " + listenerExe);
        const std::string name = UniqueName("interop");
        auto listener = StartListener(listenerExe, name, "--count " + std::to_string(payloads.size()));
        ASSERT_TRUE(listener);
        for (const Bytes& payload : payloads) {
            const auto sent = Send(senderExe, name, payload);
            EXPECT_EQ(0u, sent.exitCode) << sent.output;
        }
        DWORD exitCode = 1;
        EXPECT_TRUE(listener->Wait(20000, &exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_EQ(PrintedLines(payloads), ListenerLines(listener->Output()));
    }
}
