// ipctool: a command-line window on INTERPS channels for the people who write
// the programs at the other end of them.
//   ipctool listen NAME [--count N] [--hold-ms MS]   prints "<length> <hex>" per message
//   ipctool send NAME HEX                            exit 0 when the message was placed
#include "tools/ipctool/ChannelToolText.h"
#include "common/orxinterps/src/interps.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

HANDLE g_stop = nullptr;  // set by Ctrl+C or when the count is reached

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(g_stop);
    return TRUE;
}

struct Listener {
    unsigned count = 0;
    unsigned holdMs = 0;
    unsigned received = 0;  // only touched on the channel's receive thread
};

BOOL OnMessage(void* message, DWORD length, void* context) {
    auto* listener = static_cast<Listener*>(context);
    if (listener->count != 0 && listener->received >= listener->count) return TRUE;
    const std::string line = channel_tool::MessageLine(message, length);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    if (listener->holdMs != 0) Sleep(listener->holdMs);
    if (++listener->received == listener->count) SetEvent(g_stop);
    return TRUE;
}

int Listen(const channel_tool::Command& command) {
    Listener listener;
    listener.count = command.count;
    listener.holdMs = command.holdMs;
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    HANDLE channel = IPCInitServer(command.channel.c_str(), OnMessage, nullptr, &listener);
    if (channel == nullptr) {
        std::fprintf(stderr, "ipctool: cannot create channel %s\n", command.channel.c_str());
        return 1;
    }
    std::fprintf(stderr, "ipctool: listening on %s\n", command.channel.c_str());
    WaitForSingleObject(g_stop, INFINITE);
    IPCUnitialize(channel);
    return 0;
}

int Send(const channel_tool::Command& command) {
    if (command.bytes.size() > IPC_MAX_MSG_SIZE) {
        std::fprintf(stderr, "ipctool: a message holds at most %lu bytes, this one has %zu\n", IPC_MAX_MSG_SIZE,
                     command.bytes.size());
        return 1;
    }
    HANDLE channel = IPCInitClient(command.channel.c_str());
    if (channel == nullptr) {
        std::fprintf(stderr, "ipctool: cannot open channel %s: no server has created it, or its events are missing\n",
                     command.channel.c_str());
        return 1;
    }
    const bool sent = IPCSendMsg(channel, command.bytes.data(), static_cast<DWORD>(command.bytes.size()));
    IPCUnitialize(channel);
    if (!sent) {
        std::fprintf(stderr,
                     "ipctool: the mailbox of %s stayed busy for %lu ms (its receiver has not finished with the "
                     "previous message); message dropped\n",
                     command.channel.c_str(), IPC_SEND_TIMEOUT_MS);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    channel_tool::Command command;
    std::string error;
    if (!channel_tool::ParseCommand(args, command, error)) {
        std::fprintf(stderr, "ipctool: %s\n%s", error.c_str(), channel_tool::Usage("ipctool").c_str());
        return 1;
    }
    return command.action == channel_tool::Action::Listen ? Listen(command) : Send(command);
}
