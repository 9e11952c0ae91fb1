// The IKE daemon stand-in at work: this test is the service's side, the
// server of "vpnsrvike" (plain: the prefix is Windows 10), and a client of
// the daemon's "vpnike". Each daemon runs from a directory of its own.
#include "common/orxinterps/src/ipcmsg.h"
#include "sysdep/WinHandles.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>

using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t WordAt(const Bytes& bytes, size_t offset) {
    uint32_t word = 0;
    if (offset + 4 <= bytes.size()) std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; !done(); Sleep(10)) {
        if (GetTickCount64() >= deadline) return false;
    }
    return true;
}

// The service's channel, as the test's server: keeps every message.
class ServiceChannel {
public:
    ServiceChannel() : channel_(IPCInitServer("vpnsrvike", Keep, nullptr, this)) {}
    ~ServiceChannel() {
        if (channel_ != nullptr) IPCUnitialize(channel_);
    }
    bool open() const { return channel_ != nullptr; }
    std::vector<Bytes> Received() {
        std::lock_guard<std::mutex> hold(lock_);
        return received_;
    }
    bool WaitForCount(size_t count, DWORD timeoutMs) {
        return WaitUntil([&] { return Received().size() >= count; }, timeoutMs);
    }

private:
    static BOOL Keep(void* message, DWORD length, void* context) {
        auto* self = static_cast<ServiceChannel*>(context);
        const auto* bytes = static_cast<const uint8_t*>(message);
        std::lock_guard<std::mutex> hold(self->lock_);
        self->received_.emplace_back(bytes, bytes + length);
        return TRUE;
    }
    std::mutex lock_;
    std::vector<Bytes> received_;
    HANDLE channel_;
};

// A copy of the daemon image in a fresh directory with its settings file,
// started from there; killed and removed at the end.
class DaemonRun {
public:
    DaemonRun(const std::string& image, const std::string& settings) : dir_(MakeTempDir("orxike")), image_(image) {
        CopyFileA(BinPath(image).c_str(), (dir_ + "\\" + image).c_str(), FALSE);
        std::FILE* file = std::fopen((dir_ + "\\orxike-standin.ini").c_str(), "wb");
        std::fputs(settings.c_str(), file);
        std::fclose(file);
    }
    ~DaemonRun() {
        process_.reset();
        RemoveTree(dir_);
    }
    BackgroundProcess& Start() {
        process_ = std::make_unique<BackgroundProcess>("\"" + dir_ + "\\" + image_ + "\"");
        return *process_;
    }
    std::string Journal() const {
        return ReadFileBytes(dir_ + "\\" + image_.substr(0, image_.rfind('.')) + "-received.log");
    }
    bool WaitForJournal(const std::string& text, DWORD timeoutMs = 5000) const {
        return WaitUntil([&] { return Journal().find(text) != std::string::npos; }, timeoutMs);
    }

private:
    std::string dir_, image_;
    std::unique_ptr<BackgroundProcess> process_;
};

bool SendToDaemon(const Bytes& message) {
    HANDLE channel = IPCInitClient("vpnike");
    const bool sent = channel != nullptr && IPCSendMsg(channel, message.data(), DWORD(message.size()));
    if (channel != nullptr) IPCUnitialize(channel);
    return sent;
}

Bytes Message(uint32_t type, size_t length) {
    Bytes message(length, 0);
    std::memcpy(message.data(), &type, 4);
    for (size_t i = 4; i < length; ++i) message[i] = uint8_t(i * 7);
    return message;
}

}  // namespace

// orxikeng.exe: STARTED (error 0 at 16) then ALIVE, "vpnike" open; what it
// receives is journalled in its own file; VPNCONF_STARTED is answered with
// ORXIKE_CONFIG_OK; VPNCONF_STOPPED leaves it running.
TEST(DaemonStandIn, HandshakeJournalAndAnswer) {
    ServiceChannel service;
    ASSERT_TRUE(service.open());
    DaemonRun daemon("orxikeng.exe", "");
    BackgroundProcess& process = daemon.Start();
    ASSERT_TRUE(service.WaitForCount(2, 10000)) << process.Output();
    std::vector<Bytes> received = service.Received();
    EXPECT_EQ(696u, received[0].size());
    EXPECT_EQ(uint32_t(ORXIKE_STARTED), WordAt(received[0], 0));
    EXPECT_EQ(0u, WordAt(received[0], 16));
    EXPECT_EQ(uint32_t(ORXIKE_ALIVE), WordAt(received[1], 0));

    const Bytes saOpen = Message(VPNCONF_SA_OPEN, 6), guiStarted = Message(VPNCONF_STARTED, 40);
    ASSERT_TRUE(SendToDaemon(saOpen));
    EXPECT_TRUE(daemon.WaitForJournal(" recv VPNCONF_SA_OPEN len=6 041000001c23\r\n")) << daemon.Journal();
    ASSERT_TRUE(SendToDaemon(guiStarted));
    ASSERT_TRUE(service.WaitForCount(3, 5000));
    received = service.Received();
    EXPECT_EQ(696u, received[2].size());
    EXPECT_EQ(uint32_t(ORXIKE_CONFIG_OK), WordAt(received[2], 0));
    ASSERT_TRUE(SendToDaemon(Message(VPNCONF_STOPPED, 696)));
    EXPECT_TRUE(daemon.WaitForJournal("VPNCONF_STOPPED: keeps running"));
    EXPECT_FALSE(process.Wait(200));
    EXPECT_THAT(daemon.Journal(), HasSubstr("image=orxikeng.exe"));
}

// start_error: STARTED carries it, ALIVE never comes; notify_*: exactly
// notify_count notifications of notify_length bytes, numbered. A refused
// line is journalled and changes nothing.
TEST(DaemonStandIn, StartErrorAndNotifications) {
    ServiceChannel service;
    ASSERT_TRUE(service.open());
    DaemonRun daemon("orxike.exe",
                     "start_error=5\nnotify_type=0x0B\nnotify_length=40\nnotify_every_ms=50\nnotify_count=3\n"
                     "notify_count=lots\n");
    daemon.Start();
    ASSERT_TRUE(service.WaitForCount(4, 10000));
    Sleep(300);  // room for anything unasked
    const std::vector<Bytes> received = service.Received();
    ASSERT_EQ(4u, received.size());
    EXPECT_EQ(uint32_t(ORXIKE_STARTED), WordAt(received[0], 0));
    EXPECT_EQ(5u, WordAt(received[0], 16));
    for (uint32_t sequence = 1; sequence <= 3; ++sequence) {
        const Bytes& notification = received[sequence];
        ASSERT_EQ(40u, notification.size());
        EXPECT_EQ(0x0Bu, WordAt(notification, 0));
        EXPECT_EQ(sequence, WordAt(notification, 4));
        EXPECT_EQ(0x23, notification[0x23]);
    }
    EXPECT_THAT(daemon.Journal(), HasSubstr("settings refused: orxike-standin.ini line 6: notify_count: \"lots\""));
}

// "vpnike" only channel_delay_s after STARTED; then ALIVE, REMAIN (from the
// registry), the system-log event, and READY_TO_DIE before the exit of
// exit_after_ms, which the file sets over the registry's.
TEST(DaemonStandIn, DelayedChannelRegistrySwitchesAndExit) {
    const std::string key = "SOFTWARE\\OrxStandins\\Daemon";
    ScopedRegValue remain(HKEY_LOCAL_MACHINE, key, "remain"), exitAfter(HKEY_LOCAL_MACHINE, key, "exit_after_ms");
    ASSERT_TRUE(remain.SetDword(1));
    ASSERT_TRUE(exitAfter.SetString("600000"));
    ServiceChannel service;
    ASSERT_TRUE(service.open());
    DaemonRun daemon("orxike.exe",
                     "channel_delay_s=1\nexit_after_ms=200\nready_to_die=1\n"
                     "systemlog_index=30\nsystemlog_level=3\nsystemlog_number=9\nsystemlog_text=tunnel down\n");
    BackgroundProcess& process = daemon.Start();
    ASSERT_TRUE(service.WaitForCount(1, 10000));
    const ULONGLONG startedAt = GetTickCount64();
    EXPECT_EQ(nullptr, IPCInitClient("vpnike"));
    DWORD exitCode = 1;
    ASSERT_TRUE(process.Wait(10000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    const std::vector<Bytes> received = service.Received();
    ASSERT_EQ(5u, received.size());
    const uint32_t expected[] = {ORXIKE_STARTED, ORXIKE_ALIVE, ORXIKE_REMAIN, ORX_SYSTEMLOG, ORXIKE_READY_TO_DIE};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(expected[i], WordAt(received[i], 0)) << i;
    const auto& event = *reinterpret_cast<const IpcSystemLogMsg*>(received[3].data());
    EXPECT_EQ(30u, event.eventIndex);
    EXPECT_EQ(2, event.facility);
    EXPECT_EQ(3, event.level);
    EXPECT_EQ(9u, event.number);
    EXPECT_STREQ("tunnel down", event.text);
    EXPECT_GE(GetTickCount64() - startedAt, 1000u);
    EXPECT_THAT(daemon.Journal(), HasSubstr("exit_after_ms=200 "));
}

// Without the service's channel, or when "vpnike" names another kind of
// object, the daemon says why and ends with its own exit code.
TEST(DaemonStandIn, RefusesToRunWithoutItsChannels) {
    {
        DaemonRun daemon("orxike.exe", "connect_timeout_ms=300\n");
        DWORD exitCode = 0;
        ASSERT_TRUE(daemon.Start().Wait(10000, &exitCode));
        EXPECT_EQ(3u, exitCode);
        EXPECT_THAT(daemon.Journal(), HasSubstr("service channel vpnsrvike not found within 300 ms: giving up"));
    }
    orx::UniqueHandle squatter(CreateEventA(nullptr, TRUE, FALSE, "vpnike"));
    ASSERT_TRUE(squatter);
    DaemonRun daemon("orxike.exe", "");
    DWORD exitCode = 0;
    ASSERT_TRUE(daemon.Start().Wait(10000, &exitCode));
    squatter.reset();
    EXPECT_EQ(2u, exitCode);
    EXPECT_THAT(daemon.Journal(), HasSubstr("cannot create channel vpnike: giving up"));
    EXPECT_THAT(daemon.Journal(), Not(HasSubstr("sent ")));
}
