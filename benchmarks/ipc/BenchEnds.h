// The two ends a process of the benchmark holds on a pair of mailbox
// channels: its own server (it receives there) and a client of the other
// process's server (it sends there). Once over the INTERPS library, once
// over the bare implementation of the same format.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/RawMailbox.h"

using MessageHandler = void (*)(const unsigned char* message, uint32_t length, void* context);

class MailboxEnds {
public:
    virtual ~MailboxEnds() = default;
    virtual bool Listen(const std::string& name, MessageHandler handler, void* context) = 0;
    virtual bool Connect(const std::string& name) = 0;
    virtual bool Send(const void* data, uint32_t size) = 0;
    virtual void Close() = 0;
};

class BareEnds : public MailboxEnds {
public:
    ~BareEnds() override { Close(); }
    bool Listen(const std::string& name, MessageHandler handler, void* context) override;
    bool Connect(const std::string& name) override;
    bool Send(const void* data, uint32_t size) override;
    void Close() override;

private:
    raw_mailbox::Server server_;
    raw_mailbox::Client client_;
};

class LibraryEnds : public MailboxEnds {
public:
    ~LibraryEnds() override { Close(); }
    bool Listen(const std::string& name, MessageHandler handler, void* context) override;
    bool Connect(const std::string& name) override;
    bool Send(const void* data, uint32_t size) override;
    void Close() override;

private:
    static BOOL OnMessage(void* message, DWORD length, void* self);
    HANDLE server_ = nullptr;
    HANDLE client_ = nullptr;
    MessageHandler handler_ = nullptr;
    void* context_ = nullptr;
};
