// Helpers of the system log's tests: Windows Sockets for the whole program, a
// loopback UDP receiver standing in for a syslog server, the bench's
// rsyslogd, reading the log files, and the standard output kept apart.
#pragma once

#include "tests/support/TestSupport.h"

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace systemlog_test {

// Receives datagrams on 127.0.0.1 at a port of the system's choice.
class UdpReceiver {
public:
    UdpReceiver();
    ~UdpReceiver() { closesocket(socket_); }
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    bool ok() const { return port_ != 0; }
    uint16_t port() const { return port_; }
    // The first datagram within `timeoutMs` that contains `needle`, skipping others.
    bool Receive(std::string& datagram, DWORD timeoutMs, const std::string& needle = "");

private:
    SOCKET socket_;
    uint16_t port_ = 0;
};

// The bench's rsyslogd (scripts/lib/syslog.sh) tells its port and the file it
// writes through ORX_SYSLOG_PORT and ORX_SYSLOG_FILE; port 0 when there is none.
struct BenchSyslog {
    uint16_t port;
    std::string file;
};
BenchSyslog FindBenchSyslog();

// A file's lines, split at CR LF; a final unterminated piece is kept as a line of its own.
std::vector<std::string> ReadCrLfLines(const std::string& path);

// What a line logged by the calling thread looks like after its timestamp.
std::string ExpectedLine(const std::string& facilityDotLevel, const std::string& message);

// What this process writes to its standard output meanwhile, kept apart.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string Text();  // what was written so far

private:
    std::string path_;
    int saved_;
};

}  // namespace systemlog_test
