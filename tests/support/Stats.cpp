#include "tests/support/Stats.h"

#include <algorithm>

namespace testing_support {

double Median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double PercentChange(double before, double after) {
    if (before == 0) return after == 0 ? 0 : 100;
    return (after - before) * 100.0 / before;
}

std::string Grouped(unsigned long long value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

}  // namespace testing_support
