// The daemon processes a race scenario counted, one count per try: the most
// seen at once during the try, or those left once the service's process had
// ended. Pure.
#pragma once

#include <string>
#include <vector>

namespace reliability {

// True when there are tries and each count is `expected`.
bool EveryTryCounted(const std::vector<int>& counts, int expected);

// "at most 1 in 50 tries (forged state)" when each try saw exactly one
// daemon at most (none at all is a try that failed: the request it made was
// not served); else "at most 1 in 47 of 50 tries (forged state; 2 in 2
// tries, 0 in 1 try)".
std::string AtMostOneText(const std::vector<int>& peaks, const std::string& form);

// "0 daemons left in 50", or "0 daemons left in 48 of 50 (1 in 2 tries)".
std::string NoneLeftText(const std::vector<int>& left);

}  // namespace reliability
