// A client channel of the INTERPS library, closed when it goes: how this
// program sends as one of the service's peers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace testing_support {

class ClientChannel {
public:
    explicit ClientChannel(const std::string& name);
    ~ClientChannel();
    ClientChannel(const ClientChannel&) = delete;
    ClientChannel& operator=(const ClientChannel&) = delete;

    bool ok() const { return handle_ != nullptr; }
    // True when the message was placed in the mailbox (within 2 s).
    bool Send(const void* message, DWORD length) const;
    bool SendEmpty(uint32_t code) const;  // 696 bytes, zero after the code

private:
    HANDLE handle_;
};

}  // namespace testing_support
