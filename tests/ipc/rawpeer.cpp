// rawpeer: the channel format spoken through the bare mailbox implementation,
// with ipctool's command line, for the interoperability tests.
//   rawpeer listen NAME [--count N] [--hold-ms MS]
//   rawpeer send NAME HEX
//   rawpeer forge NAME LENGTH   takes the mailbox, writes LENGTH into the length
//                               field as is and raises "message present"
#include "ChannelToolText.h"
#include "RawMailbox.h"

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
    HANDLE done = nullptr;
};

void OnMessage(const unsigned char* message, uint32_t length, void* context) {
    auto* listener = static_cast<Listener*>(context);
    if (listener->count != 0 && listener->received >= listener->count) return;
    const std::string line = channel_tool::MessageLine(message, length);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    if (listener->holdMs != 0) Sleep(listener->holdMs);
    if (++listener->received == listener->count) SetEvent(listener->done);
}

int Listen(const channel_tool::Command& command) {
    Listener listener;
    listener.count = command.count;
    listener.holdMs = command.holdMs;
    listener.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    raw_mailbox::Server server;
    if (!server.Open(command.channel, OnMessage, &listener)) {
        std::fprintf(stderr, "rawpeer: cannot create channel %s\n", command.channel.c_str());
        return 1;
    }
    std::fprintf(stderr, "rawpeer: listening on %s\n", command.channel.c_str());
    WaitForSingleObject(listener.done, INFINITE);
    server.Close();
    return 0;
}

int Report(raw_mailbox::SendResult result) {
    switch (result) {
    case raw_mailbox::SendResult::Sent: return 0;
    case raw_mailbox::SendResult::Busy: std::fprintf(stderr, "rawpeer: mailbox busy\n"); return 1;
    case raw_mailbox::SendResult::TooLong: std::fprintf(stderr, "rawpeer: message too long\n"); return 1;
    default: std::fprintf(stderr, "rawpeer: send failed\n"); return 1;
    }
}

int OpenAnd(const std::string& channel, raw_mailbox::Client& client) {
    if (client.Open(channel)) return 0;
    std::fprintf(stderr, "rawpeer: cannot open channel %s\n", channel.c_str());
    return 1;
}

int Forge(const std::string& channel, const std::string& lengthText) {
    raw_mailbox::Client client;
    if (OpenAnd(channel, client) != 0) return 1;
    return Report(client.SendForgedLength(static_cast<uint32_t>(std::strtoul(lengthText.c_str(), nullptr, 0))));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "forge") return Forge(args[1], args[2]);
    channel_tool::Command command;
    std::string error;
    if (!channel_tool::ParseCommand(args, command, error)) {
        std::fprintf(stderr, "rawpeer: %s\n%s       rawpeer forge NAME LENGTH\n", error.c_str(),
                     channel_tool::Usage("rawpeer").c_str());
        return 1;
    }
    if (command.action == channel_tool::Action::Listen) return Listen(command);
    raw_mailbox::Client client;
    if (OpenAnd(command.channel, client) != 0) return 1;
    return Report(client.Send(command.bytes.data(), static_cast<uint32_t>(command.bytes.size())));
}
