#include "tools/reliability/Tally.h"

#include <regex>

namespace reliability {

size_t CountOccurrences(const std::string& text, const std::string& needle) {
    if (needle.empty()) return 0;
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
    return count;
}

std::string EventTag(uint32_t eventNumber) { return "[" + std::to_string(eventNumber) + "]"; }

SystemLogLines JudgeSystemLogLines(const std::string& text, const std::string& forgedRecord) {
    static const std::regex record(
        R"(\d{8} \d{2}:\d{2}:\d{2}:\d{3} \t(Starter|    GUI|    IKE| Facil[3-7])\.)"
        R"((Emerg   |Alert   |Critical|Error   |Warning |Notice  |Info    |Debug   )\t\[\d{4,}\]\t\[[^\r\n]*\r?)");
    static const std::regex escape(R"(\\x[0-9A-F]{2})");
    SystemLogLines judged;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        ++judged.lines;
        if (!std::regex_match(line, record)) ++judged.malformed;
        if (line.rfind(forgedRecord, 0) == 0) ++judged.forged;
        if (std::regex_search(line, escape)) ++judged.escaped;
    }
    if (start < text.size()) ++judged.malformed;  // a last line without its end
    return judged;
}

std::string FirstCrashReport(const std::string& log, size_t from) {
    if (from >= log.size()) return {};
    const size_t at = log.find("wine: Unhandled", from);
    if (at == std::string::npos) return {};
    const size_t end = log.find_first_of("\r\n", at);
    return log.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

Delivery CompareDelivery(const std::vector<bool>& sentOk, const std::vector<bool>& seen) {
    Delivery delivery;
    for (size_t number = 1; number <= sentOk.size(); ++number) {
        const bool arrived = number < seen.size() && seen[number];
        if (sentOk[number - 1]) {
            ++delivery.sentOk;
            ++(arrived ? delivery.delivered : delivery.lost);
        } else {
            ++delivery.refused;
            if (arrived) ++delivery.unexpected;
        }
    }
    return delivery;
}

}  // namespace reliability
