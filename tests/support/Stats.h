// Summaries of measured samples. Pure.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

double Median(std::vector<double> samples);  // 0 for no samples
// Change from `before` to `after` in per cent of `before` (0 when both are 0).
double PercentChange(double before, double after);
// "1,234,567": long counts stay readable in a figure.
std::string Grouped(unsigned long long value);

}  // namespace testing_support
