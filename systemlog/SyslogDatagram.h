// Pure forming of a syslog datagram: "<PRI> tag " and the line, at most 1022
// characters, then one NUL. No timestamp and no host name are carried: the
// server stamps what it receives with its own clock and the sender's address,
// and a local timestamp without a time zone would only mislead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace systemlog {

constexpr uint32_t kSyslogFacilityLocal0 = 16;
constexpr size_t kDatagramTextMaxChars = 1022;
constexpr size_t kDatagramSize = kDatagramTextMaxChars + 1;  // with the NUL
constexpr size_t kSyslogServerMaxSendable = 16;             // longer server texts send nothing
constexpr uint16_t kSyslogDefaultPort = 514;

// (facility base + facility) x 8 + level.
uint32_t SyslogPriority(uint32_t facilityBase, uint8_t facility, int32_t level);

// Fills `out` (kDatagramSize bytes) and returns the datagram's length: the
// text and its NUL.
size_t ComposeDatagram(uint32_t priority, const char* tag, const char* line, char* out);

}  // namespace systemlog
