// One GUI instance talking to the service: its channels, its announcement,
// the requests it runs, and what it does with the messages it receives
// (print them, remember them for expect, answer password requests).
#pragma once

#include "standins/tunpanel/GuiChannels.h"
#include "standins/tunpanel/Inbox.h"
#include "standins/tunpanel/Options.h"
#include "standins/tunpanel/RequestParser.h"
#include "standins/tunpanel/Responder.h"

#include <atomic>
#include <mutex>
#include <string>

namespace tunpanel {

class GuiSession {
public:
    GuiSession(const Options& options, uint32_t processId, const ChannelNames& names);
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    // Creates our channel, then announces us with SET_GUI_INFOS. False with
    // the reason when the service cannot be reached.
    bool Start(std::string& error);

    // True when the request succeeded: its message was placed in the mailbox,
    // or the awaited message came.
    bool Run(const Request& request);

    bool QuitRequested() const { return quit_; }
    // A reply sent on our own (the panel password) could not be placed.
    bool ReplyFailed() const { return replyFailed_; }

private:
    void OnMessage(const uint8_t* data, size_t length);
    void OnPanelMessage(uint32_t code);
    bool RequestPanel(const Request& request);
    bool Expect(const Request& request);

    const Options options_;
    const uint32_t processId_;
    Inbox inbox_;
    std::mutex panelLock_;
    std::string pendingPassword_;  // of the last panel request, until the service asks for it
    bool panelPending_ = false;
    bool quit_ = false;
    std::atomic<bool> replyFailed_{false};
    GuiChannels channels_;
    Responder responder_;  // after the channels: it sends on them until it ends
};

}  // namespace tunpanel
