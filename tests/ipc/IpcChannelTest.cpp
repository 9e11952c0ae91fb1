// INTERPS channels within one process: the library's trace lines, what
// cannot be made, closes that race with the receive thread and with senders,
// handles that stay dead, the channel objects in every namespace, and the
// bare channel format.
#include "common/orxinterps/src/interps.h"
#include "tests/ipc/IpcTestSupport.h"
#include "tests/support/RawMailbox.h"

#include <aclapi.h>

#include <thread>

using namespace ipc_test;
using ::testing::Not;

namespace {

class InProcessChannel : public TracedChannels {};

constexpr char kRequest[] = "\x04\x10\0\0";  // type 0x1004, 4 bytes

struct Received {
    std::vector<Bytes> messages;
    std::atomic<int> count{0};
};

BOOL Record(void* message, DWORD length, void* context) {
    auto* received = static_cast<Received*>(context);
    received->messages.emplace_back(static_cast<uint8_t*>(message), static_cast<uint8_t*>(message) + length);
    ++received->count;
    return TRUE;
}

}  // namespace

// Every line the library writes on the caller's thread, in order, for a
// server, a second server joining it, a client, the sends and the closes;
// the receive threads' lines; and every handle given back.
TEST_F(InProcessChannel, TheLibrarysTraceLinesAndEveryHandleGivenBack) {
    const std::string name = UniqueName("lines");
    std::atomic<int> count{0};
    const DWORD before = HandleCount();
    HANDLE first = IPCInitServer(name.c_str(), CountMessages, nullptr, &count);
    HANDLE joined = IPCInitServer(name.c_str(), CountMessages, nullptr, &count);
    HANDLE sender = IPCInitClient(name.c_str());
    ASSERT_TRUE(first && joined && sender);
    ASSERT_TRUE(IPCSendMsg(sender, "\x04\x10\0\0\x09", 5) && WaitUntil([&] { return count == 1; }, 5000));
    ASSERT_TRUE(IPCSendMsg(sender, "\x0E\0\0\0", 4) && WaitUntil([&] { return count == 2; }, 5000));  // silent
    EXPECT_FALSE(IPCSendMsg(sender, PatternMessage(0x1004, 697).data(), 697));
    EXPECT_FALSE(IPCSendMsg(nullptr, kRequest, 4));
    EXPECT_TRUE(IPCUnitialize(joined));
    ASSERT_TRUE(IPCSendMsg(sender, kRequest, 4) && WaitUntil([&] { return count == 3; }, 5000));  // first undisturbed
    for (HANDLE channel : {sender, first}) EXPECT_TRUE(IPCUnitialize(channel));
    EXPECT_FALSE(IPCUnitialize(sender));
    EXPECT_FALSE(IPCSendMsg(sender, kRequest, 4));

    const std::string server = "IPCInitServer(" + name + ")", client = "IPCInitClient(" + name + ")";
    const Lines made = {"=> CreateSecurityAttributes", "<= CreateSecurityAttributes"};
    const Lines added = {"=> AddItem " + name, "<= AddItem " + name};
    const Lines sent = {"   p->pVF=0x", "   MEMORY_BASIC_INFORMATION  Type=0x",
                        "   IPCSendMsg: WaitForSingleObject successfull MSG ID 0x00001004", "<= IPCSendMsg TRUE"};
    const Lines send4 = {"=> IPCSendMsg data size 4, svc msg size 696", "=> IPCSendMsg Data: 0x00001004, 0x00000000."};
    const Lines closed = {"\t CloseHandle pIpc->hFM=", "=> RemoveItem " + name, "<= RemoveItem " + name,
                          "<= IPCUnitialize TRUE"};
    Lines expected;
    const auto add = [&](std::initializer_list<Lines> groups) {
        for (const Lines& lines : groups) expected.insert(expected.end(), lines.begin(), lines.end());
    };
    const auto record = [&](const std::string& init, const Lines& fields) {
        Lines lines;
        for (const std::string& field : fields) lines.push_back("   " + init + " pIpc->" + field);
        return lines;
    };
    const Lines serverRecord = record(server, {"Flags=00000001", "hMutex=", "hEvent=", "hStop=", "hFM=", "pVF=",
                                               "hRecvThread=", "pContext="});
    const Lines served = {"=> DestroySecurityAttributes", "<= DestroySecurityAttributes",
                          "<= " + server + " with handle 0x"};
    add({{"=> " + server}, made, serverRecord, added, served});
    add({{"=> " + server, "   " + server + ": Server or client with the same name already exists!",
          "   " + server + ": CloseHandle success : "},
         made, {"   FileMapping " + name + " already exists"}, serverRecord, added, served});
    add({{"=> " + client},
         record(client, {"Flags=00000002", "hMutex=", "hEvent=", "hFM=", "pVF=", "hStop=00000000",
                         "hRecvThread=00000000", "pContext=00000000"}),
         added, {"<= " + client + " with handle 0x"}});
    add({{"=> IPCSendMsg data size 5, svc msg size 696", "=> IPCSendMsg Data: 0x00001004, 0x00000009."}, sent});
    // type 14: only these three
    add({{"=> IPCSendMsg data size 4, svc msg size 696", "   p->pVF=0x", "   MEMORY_BASIC_INFORMATION  Type=0x"}});
    add({{"=> IPCSendMsg data size 697, svc msg size 696",
          "<= IPCSendMsg data size exceeded msg structure size ! MSG ID : 0x00001004"},
         send4, {"<= IPCSendMsg HANDLE NULL! MSG ID : 0x00001004"}});
    add({{"=> IPCUnitialize(0x", "   Handle 0x"}, closed, send4, sent, {"=> IPCUnitialize(0x"}, closed});
    add({{"=> IPCUnitialize(0x", "   Handle 0x"},
         closed,
         {"=> IPCUnitialize(0x", "<= IPCUnitialize RetrieveItem failed"},
         send4,
         {"<= IPCSendMsg INVALID HANDLE! MSG ID : 0x00001004"}});
    EXPECT_THAT(TraceOf(GetCurrentProcessId(), GetCurrentThreadId()), StartWith(expected));

    const Lines all = TraceOf();
    EXPECT_THAT(all, Contains("   ServerRecvProc: processing message with type 0x00001004").Times(2));
    EXPECT_THAT(all, Not(Contains("   ServerRecvProc: processing message with type 0x0000000E")));
    EXPECT_THAT(all, Contains("   ServerRecvProc received WAIT_OBJECT_0 + 1 ExitThread()").Times(2));
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

// Names with no room for the event suffix or with a control character, a
// server without a callback, a client of a section whose events are missing,
// a server whose "mailbox free" name is taken by a mutex: none is returned,
// none leaves a handle open.
TEST_F(InProcessChannel, ChannelsThatCannotBeMadeAreTracedAndLeaveNothingOpen) {
    const std::string name = UniqueName("incomplete");
    const std::string longest = (name + std::string(95, 'x')).substr(0, 95);
    std::atomic<int> count{0};
    const auto server = [&](const std::string& n) { return IPCInitServer(n.c_str(), CountMessages, nullptr, &count); };
    const auto failsCleanly = [](const auto& open) {
        const DWORD before = HandleCount();
        EXPECT_EQ(nullptr, open());
        EXPECT_EQ(before, HandleCount());
    };
    const std::string forging = name + "\r\n<= AddItem forged";  // a control character: refused, shown escaped
    for (const std::string& bad : {longest + "x", std::string(), forging}) {
        failsCleanly([&] { return server(bad); });
        failsCleanly([&] { return IPCInitClient(bad.c_str()); });
    }
    failsCleanly([] { return IPCInitClient(nullptr); });
    failsCleanly([&] { return IPCInitServer(name.c_str(), nullptr, nullptr, nullptr); });
    HANDLE fits = server(longest);
    EXPECT_TRUE(IPCUnitialize(IPCInitClient(longest.c_str())));
    EXPECT_TRUE(IPCUnitialize(fits));

    const auto client = [&] { return IPCInitClient(name.c_str()); };
    failsCleanly(client);  // no section yet
    orx::UniqueHandle section(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 704, name.c_str()));
    failsCleanly(client);
    orx::UniqueHandle present(CreateEventA(nullptr, FALSE, FALSE, (name + "_MTX").c_str()));
    failsCleanly(client);
    orx::UniqueHandle squatter(CreateMutexA(nullptr, FALSE, (name + "_EVT").c_str()));
    failsCleanly([&] { return server(name); });

    const Lines lines = TraceOf();
    EXPECT_THAT(lines, Contains("<= IPCInitClient(" + name + ") OpenFileMapping failed, err=00000002."));
    for (const char* missing : {"_MTX", "_EVT"}) {
        EXPECT_THAT(lines, Contains(StartsWith("<= IPCInitClient(" + name + ") OpenEvent on " + name + missing)));
    }
    EXPECT_THAT(lines, Contains(StartsWith("<= IPCInitServer(" + name + "): CreateEvent " + name + "_EVT failed")));
    EXPECT_THAT(lines, Not(Contains("=> AddItem " + name)));
    EXPECT_THAT(lines, Contains("=> IPCInitClient(" + name + "\\x0D\\x0A<= AddItem forged)"));
    EXPECT_THAT(lines, Not(Contains("<= AddItem forged)")));
}

namespace {

struct HeldChannel {
    std::atomic<int> calls{0};
    std::atomic<bool> closed{false};
    std::atomic<int> late{0};  // callbacks started after the close returned
};

// Holds the first message past the close's 1000 ms wait.
BOOL HoldFirst(void*, DWORD, void* context) {
    auto* held = static_cast<HeldChannel*>(context);
    if (held->closed) ++held->late;
    if (held->calls++ == 0) Sleep(1500);
    return TRUE;
}

}  // namespace

// The close gives up on a callback that outlasts its wait; the record then
// lives until the callback returns. A sender keeps at it throughout (its
// handle closed under it too), and a message is already waiting when the
// callback returns (placed meanwhile, as by a peer that skips the wait): no
// callback starts once the close has returned, and the waiting message goes
// to the next server of the name.
TEST_F(InProcessChannel, NoCallbackStartsOnceTheCloseHasReturned) {
    const std::string name = UniqueName("late");
    HeldChannel held;
    HANDLE server = IPCInitServer(name.c_str(), HoldFirst, nullptr, &held);
    HANDLE client = IPCInitClient(name.c_str()), keeper = IPCInitClient(name.c_str());
    ASSERT_TRUE(server && client && keeper && IPCSendMsg(client, kRequest, 4));
    ASSERT_TRUE(WaitUntil([&] { return held.calls == 1; }, 10000));
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop) {
            if (!IPCSendMsg(client, kRequest, 4)) Sleep(50);
        }
    });
    SetEvent(orx::UniqueHandle(OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "_MTX").c_str())).get());

    EXPECT_TRUE(IPCUnitialize(server));
    held.closed = true;
    EXPECT_TRUE(IPCUnitialize(client));
    EXPECT_THAT(TraceOf(), Contains("   Thread has never finished!!!"));
    EXPECT_FALSE(IPCSendMsg(server, kRequest, 4));  // closed, though its thread still runs
    EXPECT_FALSE(IPCUnitialize(server));
    EXPECT_TRUE(capture.WaitFor("   ServerRecvProc: channel closing, message left in the mailbox", 10000));
    stop = true;
    sender.join();
    EXPECT_EQ(0, held.late);

    std::atomic<int> count{0};
    HANDLE next = IPCInitServer(name.c_str(), CountMessages, nullptr, &count);
    EXPECT_TRUE(WaitUntil([&] { return count > 0; }, 5000));
    EXPECT_TRUE(IPCUnitialize(next));
    EXPECT_TRUE(IPCUnitialize(keeper));
}

namespace {

HANDLE g_selfClosing = nullptr;

BOOL CloseItself(void*, DWORD, void* closed) {
    static_cast<std::atomic<bool>*>(closed)->store(IPCUnitialize(g_selfClosing));
    return TRUE;
}

}  // namespace

// Closing from inside its own callback neither waits for itself nor leaks;
// and a new record may take the memory of a closed one, but never its handle.
TEST_F(InProcessChannel, ClosingFromItsOwnCallbackAndHandlesThatStayClosed) {
    const std::string name = UniqueName("selfclose");
    std::atomic<bool> closed{false};
    const DWORD before = HandleCount();
    g_selfClosing = IPCInitServer(name.c_str(), CloseItself, nullptr, &closed);
    HANDLE stale = IPCInitClient(name.c_str()), holder = IPCInitClient(name.c_str());
    ASSERT_TRUE(g_selfClosing && stale && holder && IPCSendMsg(stale, kRequest, 4));
    EXPECT_TRUE(capture.WaitFor("<= RemoveItem " + name, 10000));
    EXPECT_TRUE(closed);
    EXPECT_THAT(TraceOf(), Not(Contains("   Thread has never finished!!!")));

    EXPECT_TRUE(IPCUnitialize(stale));
    std::vector<HANDLE> later;
    for (int i = 0; i < 200; ++i) later.push_back(IPCInitClient(name.c_str()));
    EXPECT_FALSE(IPCSendMsg(stale, kRequest, 4));
    EXPECT_FALSE(IPCUnitialize(stale));
    for (HANDLE channel : later) EXPECT_TRUE(IPCUnitialize(channel));
    EXPECT_TRUE(IPCUnitialize(holder));
    EXPECT_EQ(before, WaitForHandleCount(before, 5000));
}

namespace {

// The DACL of a named object: one ACE allowing Everyone all access.
bool EveryoneHasAllAccess(HANDLE object) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ACCESS_ALLOWED_ACE* ace = nullptr;
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    const bool ok = GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor) == ERROR_SUCCESS &&
                    dacl != nullptr && dacl->AceCount == 1 && GetAce(dacl, 0, reinterpret_cast<void**>(&ace)) &&
                    ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ace->Mask == 0x1FFFFF &&
                    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size) && EqualSid(&ace->SidStart, everyone);
    LocalFree(descriptor);
    return ok;
}

// Where the message lies (true when at offset 4 of a mapped view), then a
// wipe of its bytes 16 to 40, as the GUI broker wipes secrets.
std::atomic<bool> g_inView{false};
BOOL WipeInPlace(void* message, DWORD length, void* received) {
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(message, &region, sizeof region);
    g_inView = region.Type == MEM_MAPPED &&
               static_cast<char*>(message) - static_cast<char*>(region.AllocationBase) == IPC_MESSAGE_OFFSET;
    std::memset(static_cast<char*>(message) + 16, 0, 24);
    return Record(message, length, received);
}

}  // namespace

// A plain, a "Global\" and a "Session\1\" channel: the section and both
// events carry the DACL that opens them to every account, the events are
// named on the prefixed name, and a message arrives in place in the shared
// section, where the callback's writes land.
TEST_F(InProcessChannel, ChannelObjectsInEveryNamespaceAndMessagesInPlace) {
    for (const std::string& name :
         {UniqueName("plain"), "Global\\" + UniqueName("global"), "Session\\1\\" + UniqueName("session")}) {
        SCOPED_TRACE(name);
        Received received;
        HANDLE server = IPCInitServer(name.c_str(), WipeInPlace, nullptr, &received);
        HANDLE client = IPCInitClient(name.c_str());
        ASSERT_TRUE(server && client);
        const orx::UniqueHandle section(OpenFileMappingA(READ_CONTROL | FILE_MAP_READ, FALSE, name.c_str()));
        const orx::UniqueHandle present(OpenEventA(READ_CONTROL, FALSE, (name + "_MTX").c_str()));
        const orx::UniqueHandle free(OpenEventA(READ_CONTROL, FALSE, (name + "_EVT").c_str()));
        EXPECT_TRUE(EveryoneHasAllAccess(section.get()) && EveryoneHasAllAccess(present.get()) &&
                    EveryoneHasAllAccess(free.get()));
        const Bytes message = PatternMessage(0x1008, 40);
        ASSERT_TRUE(IPCSendMsg(client, message.data(), 40) && WaitUntil([&] { return received.count == 1; }, 5000));
        EXPECT_TRUE(g_inView);
        const orx::UniqueView view(MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0));
        Bytes wiped = message;
        std::fill(wiped.begin() + 16, wiped.end(), 0);
        const auto* inSection = static_cast<const uint8_t*>(view.get()) + IPC_MESSAGE_OFFSET;
        EXPECT_EQ(wiped, Bytes(inSection, inSection + 40));
        EXPECT_TRUE(IPCUnitialize(client) && IPCUnitialize(server));
    }
}

// The bare format (tests/support/RawMailbox, written from the format alone)
// receives what the library sends, byte for byte; the library receives what
// it sends.
TEST_F(InProcessChannel, TheBareFormatBothWays) {
    const std::vector<Bytes> payloads = {{}, PatternMessage(0x0001, 1), PatternMessage(0x0004, 40),
                                         PatternMessage(0x9003, 696)};
    const std::string toRaw = UniqueName("toraw"), toLibrary = UniqueName("tolib");
    Received byRaw, byLibrary;
    raw_mailbox::Server rawServer;
    raw_mailbox::Client rawClient;
    ASSERT_TRUE(rawServer.Open(
        toRaw, [](const unsigned char* m, uint32_t n, void* r) { Record(const_cast<unsigned char*>(m), n, r); },
        &byRaw));
    HANDLE libraryServer = IPCInitServer(toLibrary.c_str(), Record, nullptr, &byLibrary);
    HANDLE libraryClient = IPCInitClient(toRaw.c_str());
    ASSERT_TRUE(libraryServer && libraryClient && rawClient.Open(toLibrary));

    for (const Bytes& payload : payloads) {
        EXPECT_TRUE(IPCSendMsg(libraryClient, payload.data(), static_cast<DWORD>(payload.size())));
        EXPECT_EQ(raw_mailbox::SendResult::Sent, rawClient.Send(payload.data(), static_cast<uint32_t>(payload.size())));
    }
    ASSERT_TRUE(WaitUntil([&] { return byRaw.count == 4 && byLibrary.count == 4; }, 10000));
    EXPECT_EQ(payloads, byRaw.messages);
    EXPECT_EQ(payloads, byLibrary.messages);
    EXPECT_TRUE(IPCUnitialize(libraryClient) && IPCUnitialize(libraryServer));
}

// A length field above 696 never reaches the callback: the message is
// dropped, traced, and the mailbox freed. It may hold a secret that no
// handler will ever wipe: the library wipes it in the mailbox first.
TEST_F(InProcessChannel, AMessageDroppedForItsLengthIsWipedInTheMailbox) {
    const std::string name = UniqueName("dropped");
    Received received;
    HANDLE server = IPCInitServer(name.c_str(), Record, nullptr, &received);
    ASSERT_NE(nullptr, server);
    const orx::UniqueHandle section(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
    const orx::UniqueHandle present(OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_MTX").c_str()));
    const orx::UniqueHandle free(OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_EVT").c_str()));
    const orx::UniqueView view(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_TRUE(present && free && view);
    auto* mailbox = static_cast<uint8_t*>(view.get());
    for (const uint32_t forged : {697u, 0xFFFFFFFFu}) {
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(free.get(), 2000));
        const Bytes secret = PatternMessage(0x1006, IPC_MAX_MSG_SIZE);
        std::memcpy(mailbox + IPC_MESSAGE_OFFSET, secret.data(), secret.size());
        std::memcpy(mailbox + IPC_LENGTH_OFFSET, &forged, sizeof forged);
        ASSERT_TRUE(SetEvent(present.get()));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(free.get(), 5000)) << "dropped and the mailbox freed";
        EXPECT_EQ(Bytes(IPC_MAX_MSG_SIZE, 0),
                  Bytes(mailbox + IPC_MESSAGE_OFFSET, mailbox + IPC_MESSAGE_OFFSET + IPC_MAX_MSG_SIZE));
        SetEvent(free.get());
    }
    EXPECT_EQ(0, received.count.load());
    for (const char* length : {"4294967295", "697"}) {
        EXPECT_THAT(TraceOf(), Contains(std::string("   ServerRecvProc: malformed message with length ") + length +
                                        " (above 696), dropped"));
    }
    EXPECT_TRUE(IPCUnitialize(server));
}
