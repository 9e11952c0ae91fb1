// A bare implementation of the channel format, written from the format alone
// and sharing no code with the INTERPS library: the section of 704 bytes
// (length at 0, message at 4), "<name>_MTX" (message present, auto-reset,
// not set) and "<name>_EVT" (mailbox free, auto-reset, set). No tracing, no
// registry, no handle registry. It is the design floor of the IPC benchmark,
// the independent peer of the interoperability tests, and the hostile local
// process that forges lengths and reads what a mailbox holds.
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace raw_mailbox {

constexpr DWORD kSectionSize = 704;
constexpr DWORD kMaxMessage = 696;
constexpr DWORD kSendTimeoutMs = 2000;

using Handler = void (*)(const unsigned char* message, uint32_t length, void* context);

// Creates a channel and hands each message to `handler` on a thread of its own.
class Server {
public:
    Server() = default;
    ~Server() { Close(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Open(const std::string& name, Handler handler, void* context);
    void Close();

private:
    static DWORD WINAPI Receive(void* self);
    unsigned char* View() const { return static_cast<unsigned char*>(view_.get()); }
    orx::UniqueHandle section_;
    orx::UniqueView view_;
    orx::UniqueHandle present_;
    orx::UniqueHandle free_;
    orx::UniqueHandle stop_;
    orx::UniqueHandle thread_;
    Handler handler_ = nullptr;
    void* context_ = nullptr;
};

enum class SendResult { Sent, Busy, TooLong, Failed };

// Opens an existing channel and sends on it.
class Client {
public:
    Client() = default;
    ~Client() { Close(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Open(const std::string& name);
    void Close();
    SendResult Send(const void* data, uint32_t size, DWORD timeoutMs = kSendTimeoutMs);
    // What a broken or hostile peer does: takes the mailbox, writes `length`
    // straight into the length field and raises "message present".
    SendResult SendForgedLength(uint32_t length);
    // The message part of the mailbox as it stands, as any local process can
    // read it; null when not open.
    const unsigned char* Message() const { return view_ ? View() + 4 : nullptr; }

private:
    SendResult Take(DWORD timeoutMs);
    unsigned char* View() const { return static_cast<unsigned char*>(view_.get()); }
    orx::UniqueHandle section_;
    orx::UniqueView view_;
    orx::UniqueHandle present_;
    orx::UniqueHandle free_;
};

}  // namespace raw_mailbox
