#include "benchmarks/service/StartTimes.h"

#include "tools/reliability/ServiceControl.h"

namespace service_bench {

namespace {

constexpr DWORD kTimeoutMs = 60000;

// One start, measured, and the stop that readies the next one.
void TimeOneStart(const std::string& service, std::vector<double>& samples) {
    const double ms = reliability::StartServiceTimed(service, kTimeoutMs);
    if (ms >= 0) samples.push_back(ms);
    reliability::StopServiceTimed(service, kTimeoutMs);
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
