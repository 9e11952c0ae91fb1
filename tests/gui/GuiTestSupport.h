// The GUI broker's bench: a broker and an IKE supervisor in this process with
// an owner of the test's own, channels where the test plays the GUIs and the
// daemon, the system log's day file and this process's trace.
#pragma once

#include "tests/support/PartsOwner.h"

#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace gui_test {

using Bytes = std::vector<uint8_t>;

template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs = 5000) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; !done(); Sleep(10)) {
        if (GetTickCount64() > deadline) return false;
    }
    return true;
}

inline uint32_t WordAt(const Bytes& message, size_t offset) {
    uint32_t value = 0;
    if (offset + 4 <= message.size()) std::memcpy(&value, message.data() + offset, 4);
    return value;
}

// A 696-byte message of type `code`, with `text` at `offset`.
inline Bytes Message(uint32_t code, size_t offset = 16, const std::string& text = "") {
    Bytes message(IPC_MAX_MSG_SIZE, 0);
    std::memcpy(message.data(), &code, 4);
    std::memcpy(message.data() + offset, text.data(), text.size());
    return message;
}

// A channel the test serves, keeping what arrives.
class Inbox {
public:
    explicit Inbox(const std::string& name) : channel_(IPCInitServer(name.c_str(), Keep, nullptr, this)) {}
    ~Inbox() { IPCUnitialize(channel_); }
    bool ok() const { return channel_ != nullptr; }
    // The first message of one of these types not yet taken; empty after `timeoutMs`.
    Bytes Take(const std::vector<uint32_t>& codes, DWORD timeoutMs = 5000);
    Bytes Take(uint32_t code, DWORD timeoutMs = 5000) { return Take(std::vector<uint32_t>{code}, timeoutMs); }

private:
    static BOOL Keep(void* message, DWORD length, void* context);
    HANDLE channel_;
    std::mutex lock_;
    std::deque<Bytes> received_;
};

// This process's GUI channel of one kind, in its session.
std::string GuiChannelName(bool logon);

// A broker with its server channels up and the daemon, played by `daemon`,
// counted as running (nothing is launched).
class BrokerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void Announce(bool logonGui);  // this process, without a watchdog
    bool Send(const Bytes& message, bool logonChannel = false, DWORD length = IPC_MAX_MSG_SIZE);
    // Waits until the broker has handled what went before on "Global\vpnsrvcfg".
    void Fence();
    std::string SystemLog();
    bool Traced(const std::string& text) { return trace.WaitFor(text, 2000); }

    testing_support::ScopedServiceSettings settings;  // first: the broker reads them
    Inbox daemon{"vpnike"};
    ChannelDaemon ike;  // counted as running, sending to `daemon`
    CGui gui;
    PartsOwner owner{ike, gui};
    // This process's GUI channels; a test that starts a real GUI drops them.
    std::unique_ptr<Inbox> user = std::make_unique<Inbox>(GuiChannelName(false));
    std::unique_ptr<Inbox> logon = std::make_unique<Inbox>(GuiChannelName(true));
    testing_support::DebugOutputCapture trace;

private:
    HANDLE toCfg_ = nullptr;
    HANDLE toLogon_ = nullptr;
    std::string logDir_;
};

}  // namespace gui_test
