// INTERPS channels within one process: what is delivered, what is refused,
// the trace lines, and that every kernel object is given back.
#include "DebugTrace.h"
#include "IpcChannel.h"
#include "IpcTestSupport.h"
#include "RawMailbox.h"
#include "interps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace ipc_test;
using testing_support::DebugOutputCapture;

namespace {

class InProcessChannel : public ::testing::Test {
protected:
    std::vector<std::string> Lines() {
        capture.Settle();
        return IpcLinesOfThisProcess(capture);
    }

    // Every line of `lines` starts with the matching prefix, in order.
    static void ExpectPrefixes(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
        ASSERT_EQ(prefixes.size(), lines.size()) << Joined(lines);
        for (size_t i = 0; i < prefixes.size(); ++i) {
            EXPECT_EQ(0u, lines[i].rfind(prefixes[i], 0)) << "line " << i << ": " << lines[i];
        }
    }

    static std::string Joined(const std::vector<std::string>& lines) {
        std::string all;
        for (const std::string& line : lines) all += line + "\n";
        return all;
    }

    IpcTraceSetting trace{TRACE_TO_DEBUGGER};
    DebugOutputCapture capture;
};

// The length field and message as a peer would read them from the section.
struct SectionPeek {
    explicit SectionPeek(const std::string& name) {
        mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
        if (mapping != nullptr) view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    }
    ~SectionPeek() {
        if (view != nullptr) UnmapViewOfFile(view);
        if (mapping != nullptr) CloseHandle(mapping);
    }
    uint32_t Length() const {
        uint32_t length = 0;
        std::memcpy(&length, view, sizeof length);
        return length;
    }
    HANDLE mapping = nullptr;
    const uint8_t* view = nullptr;
};

}  // namespace

TEST_F(InProcessChannel, DeliversExactBytesUpTo696AndRefuses697BeforeTouchingTheMailbox) {
    const std::string name = UniqueName("exact");
    Inbox inbox;
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    HANDLE client = IPCInitClient(name.c_str());
    ASSERT_NE(nullptr, client);

    const std::vector<std::vector<uint8_t>> sent = {PatternMessage(0x1004, 1), PatternMessage(0x1004, 4),
                                                    PatternMessage(0x0004, 40), PatternMessage(0x9003, 696)};
    for (const auto& message : sent) {
        ASSERT_TRUE(IPCSendMsg(client, message.data(), static_cast<DWORD>(message.size())));
    }
    ASSERT_TRUE(inbox.WaitFor(sent.size(), 10000));
    EXPECT_EQ(sent, inbox.Messages());

    capture.Settle();
    capture.Clear();
    const std::vector<uint8_t> tooLong = PatternMessage(0x1004, 697);
    EXPECT_FALSE(IPCSendMsg(client, tooLong.data(), 697));
    EXPECT_EQ((std::vector<std::string>{"=> IPCSendMsg data size 697, svc msg size 696",
                                        "<= IPCSendMsg data size exceeded msg structure size ! MSG ID : 0x00001004"}),
              Lines());
    SectionPeek peek(name);
    ASSERT_NE(nullptr, peek.view);
    EXPECT_EQ(696u, peek.Length());
    EXPECT_EQ(0, std::memcmp(peek.view + 4, sent.back().data(), 696));
    EXPECT_EQ(sent.size(), inbox.Messages().size());

    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_TRUE(IPCUnitialize(server));
}

TEST_F(InProcessChannel, RefusesNullForeignAndClosedHandles) {
    const std::vector<uint8_t> message = PatternMessage(0x1004, 8);
    int notAChannel = 0;
    EXPECT_FALSE(IPCSendMsg(nullptr, message.data(), 8));
    EXPECT_FALSE(IPCSendMsg(&notAChannel, message.data(), 8));
    EXPECT_FALSE(IPCUnitialize(&notAChannel));
    EXPECT_FALSE(IPCUnitialize(nullptr));
    const std::vector<std::string> lines = Lines();
    EXPECT_TRUE(Contains(lines, "<= IPCSendMsg HANDLE NULL! MSG ID : 0x00001004")) << Joined(lines);
    EXPECT_TRUE(Contains(lines, "<= IPCSendMsg INVALID HANDLE! MSG ID : 0x00001004")) << Joined(lines);
    EXPECT_TRUE(Contains(lines, "<= IPCUnitialize RetrieveItem failed")) << Joined(lines);
    EXPECT_EQ(0, notAChannel);
}

TEST_F(InProcessChannel, TracesTheServersLifeAndGivesEveryHandleBack) {
    const std::string name = UniqueName("life");
    Inbox inbox;
    const DWORD before = CountProcessHandles();
    capture.Settle();
    capture.Clear();
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    ASSERT_TRUE(IPCUnitialize(server));
    ExpectPrefixes(Lines(), {"=> IPCInitServer(" + name + ")",
                             "=> CreateSecurityAttributes",
                             "<= CreateSecurityAttributes",
                             "   IPCInitServer(" + name + ") pIpc->Flags=00000001",
                             "   IPCInitServer(" + name + ") pIpc->hMutex=",
                             "   IPCInitServer(" + name + ") pIpc->hEvent=",
                             "   IPCInitServer(" + name + ") pIpc->hStop=",
                             "   IPCInitServer(" + name + ") pIpc->hFM=",
                             "   IPCInitServer(" + name + ") pIpc->pVF=",
                             "   IPCInitServer(" + name + ") pIpc->hRecvThread=",
                             "   IPCInitServer(" + name + ") pIpc->pContext=",
                             "=> AddItem " + name,
                             "<= AddItem " + name,
                             "=> DestroySecurityAttributes",
                             "<= DestroySecurityAttributes",
                             "<= IPCInitServer(" + name + ") with handle 0x",
                             "=> IPCUnitialize(0x",
                             "   Handle 0x",
                             "   ServerRecvProc received WAIT_OBJECT_0 + 1 ExitThread()",
                             "\t CloseHandle pIpc->hFM=",
                             "=> RemoveItem " + name,
                             "<= RemoveItem " + name,
                             "<= IPCUnitialize TRUE"});
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

TEST_F(InProcessChannel, ClientOfASectionWithoutEventsFailsAndLeavesNothingOpen) {
    const std::string name = UniqueName("noevents");
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 704, name.c_str());
    ASSERT_NE(nullptr, section);
    DWORD before = CountProcessHandles();
    EXPECT_EQ(nullptr, IPCInitClient(name.c_str()));
    EXPECT_EQ(before, CountProcessHandles());
    EXPECT_TRUE(AnyStartsWith(Lines(), "<= IPCInitClient(" + name + ") OpenEvent on " + name + "_MTX failed"));

    HANDLE present = CreateEventA(nullptr, FALSE, FALSE, (name + "_MTX").c_str());
    before = CountProcessHandles();
    EXPECT_EQ(nullptr, IPCInitClient(name.c_str()));
    EXPECT_EQ(before, CountProcessHandles());
    EXPECT_TRUE(AnyStartsWith(Lines(), "<= IPCInitClient(" + name + ") OpenEvent on " + name + "_EVT failed"));
    CloseHandle(present);
    CloseHandle(section);
}

TEST_F(InProcessChannel, ServerJoinsAnExistingSection) {
    const std::string name = UniqueName("joins");
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 704, name.c_str());
    ASSERT_NE(nullptr, section);
    Inbox inbox;
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    const std::vector<std::string> lines = Lines();
    EXPECT_TRUE(Contains(lines, "   IPCInitServer(" + name + "): Server or client with the same name already exists!"));
    EXPECT_TRUE(AnyStartsWith(lines, "   IPCInitServer(" + name + "): CloseHandle success : "));
    EXPECT_TRUE(Contains(lines, "   FileMapping " + name + " already exists"));

    raw_mailbox::Client peer;  // writes through the section made before the server
    ASSERT_TRUE(peer.Open(name));
    const std::vector<uint8_t> message = PatternMessage(0x0009, 12);
    ASSERT_EQ(raw_mailbox::SendResult::Sent, peer.Send(message.data(), 12));
    ASSERT_TRUE(inbox.WaitFor(1, 10000));
    EXPECT_EQ(message, inbox.Messages()[0]);
    peer.Close();
    EXPECT_TRUE(IPCUnitialize(server));
    CloseHandle(section);
}

TEST_F(InProcessChannel, IncompleteServerIsReleasedAndNotReturned) {
    const std::string name = UniqueName("incomplete");
    // A mutex squatting on the name of the "message present" event.
    HANDLE squatter = CreateMutexA(nullptr, FALSE, (name + "_MTX").c_str());
    ASSERT_NE(nullptr, squatter);
    Inbox inbox;
    const DWORD before = CountProcessHandles();
    EXPECT_EQ(nullptr, IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox));
    EXPECT_EQ(before, CountProcessHandles());
    const std::vector<std::string> lines = Lines();
    EXPECT_TRUE(AnyStartsWith(lines, "<= IPCInitServer(" + name + "): CreateEvent " + name + "_MTX failed with error 0x"))
        << Joined(lines);
    EXPECT_FALSE(AnyStartsWith(lines, "=> AddItem"));
    CloseHandle(squatter);
}

TEST_F(InProcessChannel, RefusesNamesThatLeaveNoRoomForTheEventSuffix) {
    Inbox inbox;
    const std::string longest = UniqueName("n") + std::string(95, 'x');
    const std::string fits = longest.substr(0, 95);
    const std::string tooLong = longest.substr(0, 96);
    EXPECT_EQ(nullptr, IPCInitServer(tooLong.c_str(), Inbox::Receive, nullptr, &inbox));
    EXPECT_EQ(nullptr, IPCInitClient(tooLong.c_str()));
    EXPECT_EQ(nullptr, IPCInitServer("", Inbox::Receive, nullptr, &inbox));
    EXPECT_EQ(nullptr, IPCInitClient(nullptr));
    EXPECT_EQ(nullptr, IPCInitServer(fits.c_str(), nullptr, nullptr, &inbox));

    HANDLE server = IPCInitServer(fits.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    HANDLE client = IPCInitClient(fits.c_str());
    ASSERT_NE(nullptr, client);
    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_TRUE(IPCUnitialize(server));
    EXPECT_TRUE(AnyStartsWith(Lines(), "<= IPCInitServer(" + tooLong + "): invalid channel name"));
}

TEST_F(InProcessChannel, ClosingDuringACallbackLeavesTheRecordToTheReceiveThread) {
    const std::string name = UniqueName("busyclose");
    Inbox inbox;
    inbox.holdMs = 3000;
    const DWORD before = CountProcessHandles();
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    HANDLE client = IPCInitClient(name.c_str());
    const std::vector<uint8_t> message = PatternMessage(0x1004, 16);
    ASSERT_TRUE(IPCSendMsg(client, message.data(), 16));
    ASSERT_TRUE(inbox.WaitFor(1, 10000));  // the callback now holds the message

    EXPECT_TRUE(IPCUnitialize(server));
    EXPECT_TRUE(Contains(Lines(), "   Thread has never finished!!!"));
    EXPECT_FALSE(IPCSendMsg(server, message.data(), 16));  // closed, though its thread still runs
    EXPECT_FALSE(IPCUnitialize(server));

    // Once the callback returns, the thread ends and releases the channel.
    EXPECT_TRUE(capture.WaitFor("<= RemoveItem " + name, 10000));
    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

namespace {

struct SelfClosing {
    HANDLE channel = nullptr;
    bool closed = false;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    static BOOL Receive(void*, DWORD, void* context) {
        auto* self = static_cast<SelfClosing*>(context);
        self->closed = IPCUnitialize(self->channel);
        SetEvent(self->done);
        return TRUE;
    }
};

}  // namespace

TEST_F(InProcessChannel, ClosingFromItsOwnCallbackNeitherWaitsForItselfNorLeaks) {
    const std::string name = UniqueName("selfclose");
    SelfClosing context;
    const DWORD before = CountProcessHandles();
    context.channel = IPCInitServer(name.c_str(), SelfClosing::Receive, nullptr, &context);
    ASSERT_NE(nullptr, context.channel);
    raw_mailbox::Client peer;
    ASSERT_TRUE(peer.Open(name));
    ASSERT_EQ(raw_mailbox::SendResult::Sent, peer.Send("\x01\x00\x00\x00", 4));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(context.done, 10000));
    EXPECT_TRUE(context.closed);
    EXPECT_TRUE(capture.WaitFor("<= RemoveItem " + name, 10000));
    EXPECT_FALSE(Contains(Lines(), "   Thread has never finished!!!"));
    peer.Close();
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
    CloseHandle(context.done);
}

TEST_F(InProcessChannel, ReceiveThreadEndsWhenItsWaitFailsForGood) {
    const std::string name = UniqueName("waitfails");
    Inbox inbox;
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    auto* record = static_cast<IpcChannel*>(server);
    HANDLE thread = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), record->hRecvThread, GetCurrentProcess(), &thread, SYNCHRONIZE,
                                FALSE, 0));
    HANDLE present = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "_MTX").c_str());
    ASSERT_NE(nullptr, present);
    // Pulled from under the waiting thread: its next wait fails, and so
    // does every one after it.
    CloseHandle(record->hMutex);
    SetEvent(present);
    CloseHandle(present);

    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    EXPECT_TRUE(AnyStartsWith(Lines(), "   ServerRecvProc: wait failed 3 times"));
    EXPECT_TRUE(IPCUnitialize(server));
    EXPECT_TRUE(AnyStartsWith(Lines(), "   failed to close mutex handle with error 0x"));
}

TEST_F(InProcessChannel, LengthFieldAbove696IsDroppedAndTheMailboxFreed) {
    const std::string name = UniqueName("forged");
    Inbox inbox;
    HANDLE server = IPCInitServer(name.c_str(), Inbox::Receive, nullptr, &inbox);
    ASSERT_NE(nullptr, server);
    raw_mailbox::Client peer;
    ASSERT_TRUE(peer.Open(name));

    ASSERT_EQ(raw_mailbox::SendResult::Sent, peer.SendForgedLength(0xFFFFFFFFu));
    ASSERT_EQ(raw_mailbox::SendResult::Sent, peer.SendForgedLength(697));
    ASSERT_EQ(raw_mailbox::SendResult::Sent, peer.SendForgedLength(696));  // the largest real message
    ASSERT_TRUE(inbox.WaitFor(1, 10000));
    const std::vector<uint8_t> message = PatternMessage(0x0004, 8);
    EXPECT_EQ(raw_mailbox::SendResult::Sent, peer.Send(message.data(), 8, 1000));
    ASSERT_TRUE(inbox.WaitFor(2, 10000));

    const auto received = inbox.Messages();
    ASSERT_EQ(2u, received.size());
    EXPECT_EQ(696u, received[0].size());
    EXPECT_EQ(message, received[1]);
    const std::vector<std::string> lines = Lines();
    EXPECT_TRUE(Contains(lines, "   ServerRecvProc: malformed message with length 4294967295 (above 696), dropped"));
    EXPECT_TRUE(Contains(lines, "   ServerRecvProc: malformed message with length 697 (above 696), dropped"));
    peer.Close();
    EXPECT_TRUE(IPCUnitialize(server));
}
