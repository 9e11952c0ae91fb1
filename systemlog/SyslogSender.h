// Sends every admitted line of the system log as one UDP datagram to a syslog
// server. The process must have started Windows Sockets before `Open`.
#pragma once

#include <winsock2.h>

#include <cstdint>

namespace systemlog {

class SyslogSender {
public:
    static constexpr size_t kTagSize = 20;     // at most 19 characters
    static constexpr size_t kServerSize = 40;  // at most 39 characters

    // A longer tag is cut to 19 characters: it is ours, never the user's.
    SyslogSender(uint32_t facilityBase, const char* tag);
    ~SyslogSender();
    SyslogSender(const SyslogSender&) = delete;
    SyslogSender& operator=(const SyslogSender&) = delete;

    // Creates the socket; on failure writes "IPV4 socket error : <code>" to
    // the standard output. No address is bound.
    bool Open(const char* server, uint16_t port);
    // `facility` is already reduced to 0 to 7, `line` has no timestamp.
    // Safe from several threads at once (Winsock serialises sends on a socket).
    void Send(uint8_t facility, int32_t level, const char* line) const;
    void Close();

    uint16_t Port() const { return port_; }
    const char* Server() const { return server_; }

private:
    uint32_t facilityBase_;
    char tag_[kTagSize] = {};
    char server_[kServerSize] = {};
    uint16_t port_ = 514;
    SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace systemlog
