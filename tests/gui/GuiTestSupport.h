// The GUI broker's bench: a broker and an IKE supervisor in this process with
// an owner of the test's own, channels where the test plays the GUIs and the
// daemon, the system log's day file and this process's trace.
#pragma once

#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/Inbox.h"
#include "tests/support/PartsOwner.h"
#include "tests/support/SystemLogFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace gui_test {

using Bytes = std::vector<uint8_t>;
using testing_support::GuiChannelName;
using testing_support::Inbox;

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

// `length` bytes of type `code`, the rest a letter pattern that tells
// messages of different types and lengths apart.
inline Bytes Patterned(uint32_t code, size_t length) {
    Bytes message(length);
    for (size_t i = 0; i < length; ++i) message[i] = static_cast<uint8_t>('A' + (i * 7 + code) % 26);
    std::memcpy(message.data(), &code, 4);
    return message;
}

// The text and its terminating zero.
inline Bytes Text(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }

// VPNCONF_REG_WRITE of `target` ("key|value") with the value type, the data
// and the size the message states.
Bytes RegWrite(const std::string& target, DWORD type, const Bytes& data, uint32_t statedSize);

// The value's bytes; empty when it (or its key) is missing.
Bytes ReadValue(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
bool KeyExists(HKEY root, const std::string& key);

// The request channel's memory, as any local process can map it.
struct MailboxView {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "Global\\vpnsrvcfg");
    uint8_t* view = static_cast<uint8_t*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, IPC_MAPPING_SIZE));
    ~MailboxView() {
        UnmapViewOfFile(view);
        CloseHandle(mapping);
    }
    MailboxView() = default;
    MailboxView(const MailboxView&) = delete;
    MailboxView& operator=(const MailboxView&) = delete;
    bool Zero(size_t offset, size_t size) const {
        return Bytes(view + 4 + offset, view + 4 + offset + size) == Bytes(size, 0);
    }
};


// The next message `inbox` received, as bytes; empty when none came within 5 s.
inline Bytes NextIn(Inbox& inbox) {
    testing_support::Received received;
    return inbox.Next(received, 5000) ? Bytes(received.bytes.begin(), received.bytes.end()) : Bytes();
}

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
    std::string SystemLog() { return systemLog_.Text(); }
    bool Traced(const std::string& text) { return trace.WaitFor(text, 2000); }
    // CFGPANEL_PWD_RESP with `field` as its password: the answer's type.
    uint32_t PanelVerdict(const Bytes& field);

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
    testing_support::SystemLogFile systemLog_{"GuiTest"};
};

}  // namespace gui_test
