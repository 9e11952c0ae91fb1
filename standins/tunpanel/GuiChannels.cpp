#include "standins/tunpanel/GuiChannels.h"

#include "common/orxinterps/src/interps.h"
#include "standins/tunpanel/Console.h"
#include "standins/tunpanel/MessageLines.h"

namespace tunpanel {

void Channel::reset(HANDLE handle) {
    if (handle_ != nullptr) IPCUnitialize(handle_);
    handle_ = handle;
}

bool GuiChannels::Open(Receiver receiver, std::string& error) {
    receiver_ = std::move(receiver);
    own_.reset(IPCInitServer(names_.own.c_str(), OnMessage, nullptr, this));
    if (!own_) {
        error = "cannot create our channel " + names_.own;
        return false;
    }
    service_.reset(IPCInitClient(names_.service.c_str()));
    if (!service_) {
        error = "the service channel " + names_.service +
                " does not exist: the OrxIke Starter service is not running (or runs in another Wine prefix)";
        own_.reset();
        return false;
    }
    return true;
}

bool GuiChannels::SendToService(const Message& message) { return Send(service_, message); }

bool GuiChannels::SendToRelay(const Message& message) {
    if (!relay_) relay_.reset(IPCInitClient(names_.relay.c_str()));
    if (!relay_) PrintProblem("the relay channel " + names_.relay + " does not exist");
    return Send(relay_, message);
}

bool GuiChannels::Send(const Channel& channel, const Message& message) {
    const bool ok = channel && IPCSendMsg(channel.get(), message.data(), static_cast<DWORD>(message.size()));
    PrintLine(SentLine(message.data(), message.size(), ok));
    return ok;
}

BOOL GuiChannels::OnMessage(void* message, DWORD length, void* context) {
    static_cast<GuiChannels*>(context)->receiver_(static_cast<const uint8_t*>(message), length);
    return TRUE;
}

}  // namespace tunpanel
