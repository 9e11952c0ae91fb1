#include "standins/tunpanel/GuiSession.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "standins/tunpanel/Console.h"
#include "standins/tunpanel/MessageLines.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tunpanel {

namespace {

void Wipe(std::string& secret) {
    std::fill(secret.begin(), secret.end(), '\0');
    secret.clear();
}

}  // namespace

GuiSession::GuiSession(const Options& options, uint32_t processId, const ChannelNames& names)
    : options_(options),
      processId_(processId),
      channels_(names),
      responder_([this](const Message& reply) {
          if (!channels_.SendToService(reply)) replyFailed_ = true;
      }) {}

// No callback may reach the responder once it is gone: our channel closes
// first; the responder then sends what it holds and the other channels close.
GuiSession::~GuiSession() {
    channels_.CloseOwn();
    std::lock_guard<std::mutex> hold(panelLock_);
    Wipe(pendingPassword_);
}

bool GuiSession::Start(std::string& error) {
    if (!channels_.Open([this](const uint8_t* data, size_t length) { OnMessage(data, length); }, error)) return false;
    if (channels_.SendToService(GuiInfoMessage(processId_, options_.watchdog, options_.connectType))) return true;
    error = "the service did not take our announcement (its mailbox stayed busy)";
    return false;
}

bool GuiSession::Run(const Request& request) {
    switch (request.kind) {
        case RequestKind::ToService:
            return channels_.SendToService(request.message);
        case RequestKind::Relay:
            return channels_.SendToRelay(request.message);
        case RequestKind::Panel:
            return RequestPanel(request);
        case RequestKind::Wait:
            std::this_thread::sleep_for(std::chrono::milliseconds(request.milliseconds));
            return true;
        case RequestKind::Expect:
            return Expect(request);
        case RequestKind::Help: {
            std::string help = RequestHelp();
            help.pop_back();  // PrintLine ends the line
            PrintLine(help);
            return true;
        }
        case RequestKind::Quit:
            quit_ = true;
            return true;
    }
    return false;
}

// Armed before sending: the service may ask for the password at once.
bool GuiSession::RequestPanel(const Request& request) {
    {
        std::lock_guard<std::mutex> hold(panelLock_);
        Wipe(pendingPassword_);
        pendingPassword_ = request.password;
        panelPending_ = true;
    }
    if (channels_.SendToService(request.message)) return true;
    std::lock_guard<std::mutex> hold(panelLock_);
    Wipe(pendingPassword_);
    panelPending_ = false;
    return false;
}

bool GuiSession::Expect(const Request& request) {
    if (inbox_.Take(request.code, std::chrono::milliseconds(request.milliseconds))) return true;
    PrintProblem("expect " + CodeName(request.code) + ": nothing came within " + std::to_string(request.milliseconds) +
                 " ms");
    return false;
}

void GuiSession::OnMessage(const uint8_t* data, size_t length) {
    PrintLine(ReceivedLine(data, length));
    uint32_t code = 0;
    if (!MessageCode(data, length, code)) return;
    OnPanelMessage(code);
    inbox_.Add(code);
}

// The service answers a panel request with GRANTED at once, or asks for the
// password (CFGPANEL_PWD_RESP) and then answers GRANTED or REFUSED.
void GuiSession::OnPanelMessage(uint32_t code) {
    if (code == CFGPANEL_OPEN_GRANTED || code == CFGPANEL_OPEN_REFUSED) {
        PrintLine(code == CFGPANEL_OPEN_GRANTED ? "panel GRANTED" : "panel REFUSED");
        std::lock_guard<std::mutex> hold(panelLock_);
        Wipe(pendingPassword_);
        panelPending_ = false;
        return;
    }
    if (code != CFGPANEL_PWD_RESP) return;
    std::lock_guard<std::mutex> hold(panelLock_);
    if (!panelPending_) {
        PrintProblem("the service asks for the panel password, but no panel request is waiting for it");
        return;
    }
    responder_.Queue(PasswordMessage(pendingPassword_));
    Wipe(pendingPassword_);
    panelPending_ = false;
}

}  // namespace tunpanel
