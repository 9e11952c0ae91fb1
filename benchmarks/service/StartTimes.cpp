#include "benchmarks/service/StartTimes.h"

#include "tests/support/RunningService.h"

namespace service_bench {

namespace {

// One start, measured; the stop that ends it waits for the process too, so
// that no start meets the previous one's process.
void TimeOneStart(const std::string& service, std::vector<double>& samples) {
    const testing_support::RunningService running(service);
    if (running.ok()) samples.push_back(running.startMs());
}

}  // namespace

std::vector<std::vector<double>> TimeStarts(const std::vector<std::string>& services, unsigned blocks,
                                            unsigned starts) {
    std::vector<std::vector<double>> samples(services.size());
    for (unsigned round = 0; round < blocks * starts; ++round) {
        for (size_t i = 0; i < services.size(); ++i) TimeOneStart(services[i], samples[i]);
    }
    return samples;
}

}  // namespace service_bench
