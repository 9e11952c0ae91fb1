// rawpeer: the channel format spoken through the bare mailbox implementation,
// with ipctool's command line, for the interoperability tests.
//   rawpeer listen NAME [--count N] [--hold-ms MS]
//   rawpeer send NAME HEX
//   rawpeer forge NAME LENGTH   takes the mailbox, writes LENGTH into the length
//                               field as is and raises "message present"
#include "tools/ipctool/ChannelToolText.h"
#include "benchmarks/ipc/RawMailbox.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Listener {
    unsigned count = 0;
    unsigned holdMs = 0;
    unsigned received = 0;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

void OnMessage(const unsigned char* message, uint32_t length, void* context) {
    auto* listener = static_cast<Listener*>(context);
    if (listener->count != 0 && listener->received >= listener->count) return;
    const std::string line = channel_tool::MessageLine(message, length);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    Sleep(listener->holdMs);
    if (++listener->received == listener->count) SetEvent(listener->done);
}

int Listen(const channel_tool::Command& command) {
    Listener listener{command.count, command.holdMs};
    raw_mailbox::Server server;
    if (!server.Open(command.channel, OnMessage, &listener)) {
        std::fprintf(stderr, "rawpeer: cannot create channel %s\n", command.channel.c_str());
        return 1;
    }
    std::fprintf(stderr, "rawpeer: listening on %s\n", command.channel.c_str());
    WaitForSingleObject(listener.done, INFINITE);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool forge = args.size() == 3 && args[0] == "forge";
    channel_tool::Command command;
    std::string error;
    if (!forge && !channel_tool::ParseCommand(args, command, error)) {
        std::fprintf(stderr, "rawpeer: %s\n%s       rawpeer forge NAME LENGTH\n", error.c_str(),
                     channel_tool::Usage("rawpeer").c_str());
        return 1;
    }
    if (!forge && command.action == channel_tool::Action::Listen) return Listen(command);

    const std::string& channel = forge ? args[1] : command.channel;
    raw_mailbox::Client client;
    if (!client.Open(channel)) {
        std::fprintf(stderr, "rawpeer: cannot open channel %s\n", channel.c_str());
        return 1;
    }
    using raw_mailbox::SendResult;
    const SendResult result =
        forge ? client.SendForgedLength(static_cast<uint32_t>(std::strtoul(args[2].c_str(), nullptr, 0)))
              : client.Send(command.bytes.data(), static_cast<uint32_t>(command.bytes.size()));
    if (result == SendResult::Sent) return 0;
    std::fprintf(stderr, "rawpeer: %s\n", result == SendResult::Busy      ? "mailbox busy"
                                          : result == SendResult::TooLong ? "message too long"
                                                                          : "send failed");
    return 1;
}
