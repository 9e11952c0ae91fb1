// The three channels of a GUI: our own server channel in our session, where
// the service answers; the service's request channel; and the relay channel,
// whose messages the service passes on to the current GUI.
#pragma once

#include "standins/tunpanel/MessageComposer.h"
#include "standins/tunpanel/Options.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace tunpanel {

// An INTERPS channel of this process, closed with it.
class Channel {
public:
    Channel() = default;
    explicit Channel(HANDLE handle) : handle_(handle) {}
    ~Channel() { reset(); }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(HANDLE handle = nullptr);

private:
    HANDLE handle_ = nullptr;
};

class GuiChannels {
public:
    // Called on the receive thread with each message, which stays valid (in
    // the shared section) until the call returns.
    using Receiver = std::function<void(const uint8_t* data, size_t length)>;

    explicit GuiChannels(ChannelNames names) : names_(std::move(names)) {}

    // Creates our channel first (the service opens it as soon as we announce
    // ourselves), then opens the service's. False with the reason otherwise.
    bool Open(Receiver receiver, std::string& error);

    // Each prints "-> NAME len=N ok|FAILED".
    bool SendToService(const Message& message);
    bool SendToRelay(const Message& message);  // opens the relay channel on first use

    // Stops receiving; the callbacks end before this returns.
    void CloseOwn() { own_.reset(); }

private:
    static BOOL OnMessage(void* message, DWORD length, void* context);
    static bool Send(const Channel& channel, const Message& message);

    ChannelNames names_;
    Receiver receiver_;
    Channel service_;
    Channel relay_;
    Channel own_;  // last, so that it closes first
};

}  // namespace tunpanel
