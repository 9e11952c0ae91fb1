#include "standins/orxike/DaemonSettings.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <sstream>

namespace orxike_standin {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Decimal, or hexadecimal after "0x", with an optional '-'; within min..max.
bool ParseNumber(const std::string& text, long long min, long long max, long long& out, std::string& error) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const std::string body = hex ? digits.substr(2) : digits;
    const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (body.empty() || body.find_first_not_of(allowed) != std::string::npos) {
        error = "\"" + text + "\" is not a number";
        return false;
    }
    using Wide = unsigned long long;
    errno = 0;
    const Wide magnitude = std::strtoull(body.c_str(), nullptr, hex ? 16 : 10);
    const Wide limit = negative ? static_cast<Wide>(min < 0 ? -min : 0) : static_cast<Wide>(max);
    const bool tooBig = errno == ERANGE || magnitude > limit;
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (tooBig || value < min || value > max) {
        error = text + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")";
        return false;
    }
    out = value;
    return true;
}

using Setter = std::function<void(DaemonSettings&, long long)>;

struct NumericSwitch {
    const char* key;
    long long min;
    long long max;
    Setter set;
};

constexpr long long kU32Max = 0xFFFFFFFFLL;

const NumericSwitch kNumericSwitches[] = {
    {"start_error", 0, kU32Max, [](DaemonSettings& s, long long v) { s.startError = uint32_t(v); }},
    {"channel_delay_s", 0, 3600, [](DaemonSettings& s, long long v) { s.channelDelayS = uint32_t(v); }},
    {"never_alive", 0, 1, [](DaemonSettings& s, long long v) { s.neverAlive = v != 0; }},
    {"exit_after_ms", 0, kU32Max, [](DaemonSettings& s, long long v) { s.exitAfterMs = uint32_t(v); }},
    {"ready_to_die", 0, 1, [](DaemonSettings& s, long long v) { s.readyToDie = v != 0; }},
    {"remain", 0, 1, [](DaemonSettings& s, long long v) { s.remain = v != 0; }},
    {"connect_timeout_ms", 0, 3600000, [](DaemonSettings& s, long long v) { s.connectTimeoutMs = uint32_t(v); }},
    {"echo", 0, 1, [](DaemonSettings& s, long long v) { s.echo = v != 0; }},
    {"notify_type", 0, kU32Max,
     [](DaemonSettings& s, long long v) {
         s.notify.enabled = true;
         s.notify.type = uint32_t(v);
     }},
    {"notify_length", 4, 696, [](DaemonSettings& s, long long v) { s.notify.length = uint32_t(v); }},
    {"notify_every_ms", 0, 3600000, [](DaemonSettings& s, long long v) { s.notify.everyMs = uint32_t(v); }},
    {"notify_count", 0, kU32Max, [](DaemonSettings& s, long long v) { s.notify.count = uint32_t(v); }},
    {"systemlog_index", 0, kU32Max, [](DaemonSettings& s, long long v) { s.systemLog.eventIndex = uint32_t(v); }},
    {"systemlog_facility", 0, 255, [](DaemonSettings& s, long long v) { s.systemLog.facility = uint8_t(v); }},
    {"systemlog_level", -32768, 32767, [](DaemonSettings& s, long long v) { s.systemLog.level = int16_t(v); }},
    {"systemlog_number", 0, kU32Max, [](DaemonSettings& s, long long v) { s.systemLog.number = uint32_t(v); }},
};

bool IsSystemLogKey(const std::string& key) { return key.rfind("systemlog_", 0) == 0; }

}  // namespace

bool ApplySetting(DaemonSettings& settings, const std::string& key, const std::string& value, std::string& error) {
    if (key == "systemlog_text") {
        if (value.size() > kMaxSystemLogText) {
            error = "systemlog_text has " + std::to_string(value.size()) + " characters, at most " +
                    std::to_string(kMaxSystemLogText) + " fit";
            return false;
        }
        settings.systemLog.text = value;
        settings.systemLog.enabled = true;
        return true;
    }
    for (const NumericSwitch& entry : kNumericSwitches) {
        if (key != entry.key) continue;
        long long number = 0;
        std::string reason;
        if (!ParseNumber(value, entry.min, entry.max, number, reason)) {
            error = key + ": " + reason;
            return false;
        }
        entry.set(settings, number);
        if (IsSystemLogKey(key)) settings.systemLog.enabled = true;
        return true;
    }
    error = "unknown switch \"" + key + "\"";
    return false;
}

void ApplySettingsText(DaemonSettings& settings, const std::string& text, const std::string& origin,
                       std::vector<std::string>& problems) {
    std::istringstream lines(text);
    std::string line;
    for (unsigned number = 1; std::getline(lines, line); ++number) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        const size_t equals = trimmed.find('=');
        std::string error = "\"" + trimmed + "\" is not key=value";
        if (equals != std::string::npos &&
            ApplySetting(settings, Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1)), error))
            continue;
        problems.push_back(origin + " line " + std::to_string(number) + ": " + error + " (ignored)");
    }
}

std::string DescribeSettings(const DaemonSettings& s) {
    std::ostringstream out;
    out << "start_error=" << s.startError << " channel_delay_s=" << s.channelDelayS << " never_alive=" << s.neverAlive
        << " exit_after_ms=" << (s.exitAfterMs ? std::to_string(*s.exitAfterMs) : std::string("none"))
        << " ready_to_die=" << s.readyToDie << " remain=" << s.remain << " connect_timeout_ms=" << s.connectTimeoutMs
        << " echo=" << s.echo;
    if (s.notify.enabled) {
        out << " notify_type=0x" << std::hex << s.notify.type << std::dec << " notify_length=" << s.notify.length
            << " notify_every_ms=" << s.notify.everyMs << " notify_count=" << s.notify.count;
    }
    if (s.systemLog.enabled) {
        out << " systemlog_index=" << s.systemLog.eventIndex << " systemlog_facility=" << unsigned(s.systemLog.facility)
            << " systemlog_level=" << s.systemLog.level << " systemlog_number=" << s.systemLog.number
            << " systemlog_text=\"" << s.systemLog.text << "\"";
    }
    return out.str();
}

}  // namespace orxike_standin
