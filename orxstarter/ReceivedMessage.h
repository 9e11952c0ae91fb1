// A received message as the handlers read it: the bytes within the received
// length, and zero past it. A short message can never pick up what an earlier
// message left in the mailbox (secrets included).
#pragma once

#include "common/orxinterps/src/interps.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

class ReceivedMessage {
public:
    ReceivedMessage(const void* message, DWORD length)
        : length_(length < IPC_MAX_MSG_SIZE ? length : IPC_MAX_MSG_SIZE) {
        std::memcpy(bytes_, message, length_);
    }
    // Secrets pass through here: the copy is wiped with a call the compiler keeps.
    ~ReceivedMessage() { SecureZeroMemory(bytes_, sizeof bytes_); }
    ReceivedMessage(const ReceivedMessage&) = delete;
    ReceivedMessage& operator=(const ReceivedMessage&) = delete;

    DWORD length() const { return length_; }
    const unsigned char* bytes() const { return bytes_; }
    uint32_t Word(size_t offset) const {
        uint32_t value;
        std::memcpy(&value, bytes_ + offset, sizeof value);
        return value;
    }
    uint32_t Type() const { return Word(0); }
    // A text field: always ends within the buffer (one zero byte past its end).
    const char* Text(size_t offset) const { return reinterpret_cast<const char*>(bytes_ + offset); }
    // The payload viewed as one of the catalogue's layouts.
    template <typename Layout>
    const Layout& As() const {
        static_assert(sizeof(Layout) <= IPC_MAX_MSG_SIZE, "layout fits a message");
        return *reinterpret_cast<const Layout*>(bytes_);
    }

private:
    alignas(8) unsigned char bytes_[IPC_MAX_MSG_SIZE + 1] = {};
    DWORD length_;
};

// ORX_SYSTEMLOG from the GUI or the daemon: the event it describes, logged
// as it is (a facility above 7 is taken as 0).
void LogSystemLogMessage(const ReceivedMessage& message);
