#include "tools/reliability/DaemonCounts.h"

#include <algorithm>
#include <functional>
#include <map>

namespace reliability {

namespace {

size_t Matching(const std::vector<int>& counts, int expected) {
    return static_cast<size_t>(std::count(counts.begin(), counts.end(), expected));
}

std::string Tries(size_t n) { return std::to_string(n) + (n == 1 ? " try" : " tries"); }

// "2 in 2 tries, 0 in 1 try": the counts other than `expected`, highest first.
std::string Others(const std::vector<int>& counts, int expected) {
    std::map<int, size_t, std::greater<int>> seen;
    for (int count : counts) {
        if (count != expected) ++seen[count];
    }
    std::string text;
    for (const auto& [count, tries] : seen) {
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " in " + Tries(tries);
    }
    return text;
}

// "50" when every try counted `expected`, "47 of 50" when not.
std::string HowMany(const std::vector<int>& counts, int expected) {
    const size_t matching = Matching(counts, expected);
    return matching == counts.size() ? std::to_string(counts.size())
                                     : std::to_string(matching) + " of " + std::to_string(counts.size());
}

}  // namespace

bool EveryTryCounted(const std::vector<int>& counts, int expected) {
    return !counts.empty() && Matching(counts, expected) == counts.size();
}

std::string AtMostOneText(const std::vector<int>& peaks, const std::string& form) {
    const std::string others = Others(peaks, 1);
    return "at most 1 in " + HowMany(peaks, 1) + " tries (" + form + (others.empty() ? "" : "; " + others) + ")";
}

std::string NoneLeftText(const std::vector<int>& left) {
    const std::string others = Others(left, 0);
    return "0 daemons left in " + HowMany(left, 0) + (others.empty() ? "" : " (" + others + ")");
}

}  // namespace reliability
