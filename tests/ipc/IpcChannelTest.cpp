// INTERPS channels within one process: their trace lines, what cannot be
// made, closes that race with the receive thread, and that every kernel
// object is given back.
#include "common/orxinterps/src/IpcChannel.h"
#include "tests/ipc/IpcTestSupport.h"
#include "benchmarks/ipc/RawMailbox.h"
#include "sysdep/WinHandles.h"
#include "common/orxinterps/src/interps.h"

using namespace ipc_test;
using ::testing::Not;

namespace {

class InProcessChannel : public TracedChannels {};

// Holds each message 3 s in the callback after counting it.
BOOL CountAndHold(void* message, DWORD length, void* count) {
    CountMessages(message, length, count);
    Sleep(3000);
    return TRUE;
}

HANDLE g_selfClosing = nullptr;

BOOL CloseItself(void*, DWORD, void* closed) {
    static_cast<std::atomic<bool>*>(closed)->store(IPCUnitialize(g_selfClosing));
    return TRUE;
}

}  // namespace

TEST_F(InProcessChannel, TracesTheServersLifeAndGivesEveryHandleBack) {
    const std::string name = UniqueName("life");
    const std::string init = "IPCInitServer(" + name + ")";
    std::atomic<int> count{0};
    const DWORD before = CountProcessHandles();
    ClearTrace();
    HANDLE server = IPCInitServer(name.c_str(), CountMessages, nullptr, &count);
    ASSERT_NE(nullptr, server);
    ASSERT_TRUE(IPCUnitialize(server));

    Lines expected = {"=> " + init, "=> CreateSecurityAttributes", "<= CreateSecurityAttributes"};
    for (const char* field : {"Flags=00000001", "hMutex=", "hEvent=", "hStop=", "hFM=", "pVF=", "hRecvThread=",
                              "pContext="}) {
        expected.push_back("   " + init + " pIpc->" + field);
    }
    expected.insert(expected.end(), {"=> AddItem " + name, "<= AddItem " + name, "=> DestroySecurityAttributes",
                                     "<= DestroySecurityAttributes", "<= " + init + " with handle 0x",
                                     "=> IPCUnitialize(0x", "   Handle 0x",
                                     "   ServerRecvProc received WAIT_OBJECT_0 + 1 ExitThread()",
                                     "\t CloseHandle pIpc->hFM=", "=> RemoveItem " + name, "<= RemoveItem " + name,
                                     "<= IPCUnitialize TRUE"});
    EXPECT_THAT(TraceOf(), StartWith(expected));
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

// Names with no room for the event suffix, a server without a callback, a
// client of a section whose events are missing, a server whose "mailbox free"
// name is taken by a mutex: none is returned, none leaves a handle open.
TEST_F(InProcessChannel, ChannelsThatCannotBeMadeAreTracedAndLeaveNothingOpen) {
    const std::string name = UniqueName("incomplete");
    const std::string longest = (name + std::string(95, 'x')).substr(0, 95);
    std::atomic<int> count{0};
    const auto server = [&](const std::string& n) { return IPCInitServer(n.c_str(), CountMessages, nullptr, &count); };
    const auto client = [&] { return IPCInitClient(name.c_str()); };
    const auto failsCleanly = [](const auto& open) {
        const DWORD before = CountProcessHandles();
        EXPECT_EQ(nullptr, open());
        EXPECT_EQ(before, CountProcessHandles());
    };
    for (const std::string& bad : {longest + "x", std::string()}) {
        failsCleanly([&] { return server(bad); });
        failsCleanly([&] { return IPCInitClient(bad.c_str()); });
    }
    failsCleanly([] { return IPCInitClient(nullptr); });
    failsCleanly([&] { return IPCInitServer(name.c_str(), nullptr, nullptr, nullptr); });
    HANDLE fits = server(longest);
    EXPECT_TRUE(IPCUnitialize(IPCInitClient(longest.c_str())));
    EXPECT_TRUE(IPCUnitialize(fits));

    orx::UniqueHandle section(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 704, name.c_str()));
    failsCleanly(client);
    orx::UniqueHandle present(CreateEventA(nullptr, FALSE, FALSE, (name + "_MTX").c_str()));
    failsCleanly(client);
    orx::UniqueHandle squatter(CreateMutexA(nullptr, FALSE, (name + "_EVT").c_str()));
    failsCleanly([&] { return server(name); });

    const Lines lines = TraceOf();
    for (const char* missing : {"_MTX", "_EVT"}) {
        EXPECT_THAT(lines, Contains(StartsWith("<= IPCInitClient(" + name + ") OpenEvent on " + name + missing)));
    }
    EXPECT_THAT(lines, Contains(StartsWith("<= IPCInitServer(" + name + "): CreateEvent " + name + "_EVT failed")));
    EXPECT_THAT(lines, Not(Contains("=> AddItem " + name)));
}

TEST_F(InProcessChannel, ClosingDuringACallbackLeavesTheRecordToTheReceiveThread) {
    const std::string name = UniqueName("busyclose");
    std::atomic<int> count{0};
    const DWORD before = CountProcessHandles();
    HANDLE server = IPCInitServer(name.c_str(), CountAndHold, nullptr, &count);
    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_TRUE(server && client);
    ASSERT_TRUE(IPCSendMsg(client, "\x04\x10\0\0", 4));
    ASSERT_TRUE(WaitUntil([&] { return count == 1; }, 10000));  // the callback now holds the message

    EXPECT_TRUE(IPCUnitialize(server));
    EXPECT_THAT(TraceOf(), Contains("   Thread has never finished!!!"));
    EXPECT_FALSE(IPCSendMsg(server, "\x04\x10\0\0", 4));  // closed, though its thread still runs
    EXPECT_FALSE(IPCUnitialize(server));
    // Once the callback returns, the thread ends and releases the channel.
    EXPECT_TRUE(capture.WaitFor("<= RemoveItem " + name, 10000));
    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

TEST_F(InProcessChannel, ClosingFromItsOwnCallbackNeitherWaitsForItselfNorLeaks) {
    const std::string name = UniqueName("selfclose");
    std::atomic<bool> closed{false};
    const DWORD before = CountProcessHandles();
    g_selfClosing = IPCInitServer(name.c_str(), CloseItself, nullptr, &closed);
    raw_mailbox::Client peer;
    ASSERT_TRUE(g_selfClosing != nullptr && peer.Open(name));
    ASSERT_EQ(raw_mailbox::SendResult::Sent, peer.Send("\x01\0\0\0", 4));
    EXPECT_TRUE(capture.WaitFor("<= RemoveItem " + name, 10000));
    EXPECT_TRUE(closed.load());
    EXPECT_THAT(TraceOf(), Not(Contains("   Thread has never finished!!!")));
    peer.Close();
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

TEST_F(InProcessChannel, ReceiveThreadEndsWhenItsWaitFailsForGood) {
    const std::string name = UniqueName("waitfails");
    std::atomic<int> count{0};
    auto* record = static_cast<IpcChannel*>(IPCInitServer(name.c_str(), CountMessages, nullptr, &count));
    ASSERT_NE(nullptr, record);
    orx::UniqueHandle thread;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), record->hRecvThread, GetCurrentProcess(), thread.put(),
                                SYNCHRONIZE, FALSE, 0));
    // Pulled from under the waiting thread: its next wait fails, and so does
    // every one after it.
    orx::UniqueHandle present(OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "_MTX").c_str()));
    CloseHandle(record->hMutex);
    SetEvent(present.get());

    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
    EXPECT_THAT(TraceOf(), Contains(StartsWith("   ServerRecvProc: wait failed 3 times")));
    EXPECT_TRUE(IPCUnitialize(record));
    EXPECT_THAT(TraceOf(), Contains(StartsWith("   failed to close mutex handle with error 0x")));
}
