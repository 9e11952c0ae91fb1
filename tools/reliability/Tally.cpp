#include "tools/reliability/Tally.h"

namespace reliability {

size_t CountOccurrences(const std::string& text, const std::string& needle) {
    if (needle.empty()) return 0;
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
    return count;
}

std::string EventTag(uint32_t eventNumber) { return "[" + std::to_string(eventNumber) + "]"; }

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
