// Helpers of the system log's tests: Windows Sockets for the whole program, a
// loopback UDP receiver standing in for a syslog server, a clock that tests
// set, an event-log output that records, and reading the log files.
#pragma once

#include "EventLogSink.h"
#include "LogClock.h"

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace systemlog_test {

// Receives datagrams on 127.0.0.1 at a port of the system's choice.
class UdpReceiver {
public:
    UdpReceiver();
    ~UdpReceiver();
    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

    bool ok() const { return socket_ != INVALID_SOCKET; }
    uint16_t port() const { return port_; }
    // The next datagram's bytes, or nothing after `timeoutMs`.
    bool Receive(std::string& datagram, DWORD timeoutMs);
    // The first datagram that contains `needle`, skipping others.
    bool ReceiveContaining(const std::string& needle, std::string& datagram, DWORD timeoutMs);

private:
    SOCKET socket_ = INVALID_SOCKET;
    uint16_t port_ = 0;
};

class FakeClock : public systemlog::LogClock {
public:
    systemlog::LogTime Now() const override { return now_; }
    void Set(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms, int64_t seconds);
    void AdvanceSeconds(int64_t seconds) { now_.seconds += seconds; }

private:
    systemlog::LogTime now_{};
};

struct ReportedEvent {
    uint32_t eventNumber;
    uint8_t facility;
    int32_t level;
    std::string text;
};

class RecordingEventLog : public systemlog::EventLogSink {
public:
    bool Register() override { registered = true; return true; }
    void Deregister() override { registered = false; }
    bool Report(uint32_t eventNumber, uint8_t facility, int32_t level, const char* text) override {
        events.push_back({eventNumber, facility, level, text});
        return registered;
    }
    bool registered = false;
    std::vector<ReportedEvent> events;
};

// A file's lines, split at CR LF (the CR removed); a final unterminated
// piece is kept as a line of its own.
std::vector<std::string> ReadCrLfLines(const std::string& path);

// What a record written by the calling thread looks like after its timestamp.
std::string ExpectedLine(const std::string& facilityDotLevel, const std::string& message);

}  // namespace systemlog_test
