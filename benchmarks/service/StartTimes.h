// Service start to SERVICE_RUNNING, of several installed services in turn.
#pragma once

#include <string>
#include <vector>

namespace service_bench {

// `blocks` times `starts` rounds, each starting every service once (and
// stopping it before the next one starts), so load spreads over all alike.
// The milliseconds of each service's starts, in the order of `services`.
std::vector<std::vector<double>> TimeStarts(const std::vector<std::string>& services, unsigned blocks,
                                            unsigned starts);

}  // namespace service_bench
