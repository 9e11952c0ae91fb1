// Behaviour switches of the IKE daemon stand-in and their text form
// ("key=value" lines). Pure: no OS calls, so every rule is unit-testable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orxike_standin {

// A notification sent again and again on the service's channel once alive.
struct NotifySettings {
    bool enabled = false;     // notify_type given
    uint32_t type = 0;        // notify_type
    uint32_t length = 696;    // notify_length, 4 to 696
    uint32_t everyMs = 1000;  // notify_every_ms
    uint32_t count = 1;       // notify_count; 0 = until the daemon ends
};

// One ORX_SYSTEMLOG sent once alive.
struct SystemLogSettings {
    bool enabled = false;     // any systemlog_* key given
    uint32_t eventIndex = 0;  // systemlog_index
    uint8_t facility = 2;     // systemlog_facility (2: the daemon's own)
    int16_t level = 6;        // systemlog_level (6: Info)
    uint32_t number = 0;      // systemlog_number
    std::string text;         // systemlog_text
};

struct DaemonSettings {
    uint32_t startError = 0;              // start_error: error code in ORXIKE_STARTED
    uint32_t channelDelayS = 0;           // channel_delay_s: "vpnike" created that late
    bool neverAlive = false;              // never_alive
    std::optional<uint32_t> exitAfterMs;  // exit_after_ms, counted from the handshake
    bool readyToDie = false;              // ready_to_die: ORXIKE_READY_TO_DIE before that exit
    bool remain = false;                  // remain: ORXIKE_REMAIN after ALIVE
    uint32_t connectTimeoutMs = 30000;    // connect_timeout_ms: how long to look for the service
    bool echo = true;                     // echo: journal lines on standard output too
    NotifySettings notify;
    SystemLogSettings systemLog;
};

// Longest systemlog_text: the text field runs from offset 40 to the end of a
// 696-byte message and keeps its terminating NUL.
constexpr size_t kMaxSystemLogText = 655;

// Applies one switch. Numbers are decimal or 0x hexadecimal. False, with the
// reason in `error` and the settings unchanged, for an unknown key or a value
// that is not a number in the key's range.
bool ApplySetting(DaemonSettings& settings, const std::string& key, const std::string& value, std::string& error);

// Applies a settings text: one "key=value" a line, blanks around key and value
// ignored, lines whose first non-blank character is '#' and blank lines
// skipped (a '#' elsewhere belongs to the value). Each refused line adds
// "<origin> line N: <reason>" to `problems` and changes nothing.
void ApplySettingsText(DaemonSettings& settings, const std::string& text, const std::string& origin,
                       std::vector<std::string>& problems);

// Every switch as "key=value" pairs on one line, for the journal.
std::string DescribeSettings(const DaemonSettings& settings);

}  // namespace orxike_standin
