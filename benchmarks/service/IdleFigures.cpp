#include "benchmarks/service/IdleFigures.h"

#include "tests/support/RunningService.h"

#include <windows.h>

#include <memory>

namespace service_bench {

std::vector<IdleFigures> MeasureIdle(const std::vector<IdleService>& services, unsigned idleSeconds,
                                     unsigned settleMs) {
    std::vector<std::unique_ptr<testing_support::RunningService>> running;
    for (const IdleService& service : services)
        running.push_back(std::make_unique<testing_support::RunningService>(service.name));
    Sleep(settleMs);  // the start's own threads and work are over

    std::vector<IdleFigures> figures(services.size());
    std::vector<unsigned long> pids(services.size());
    for (size_t i = 0; i < services.size(); ++i) {
        pids[i] = running[i]->ok() ? LinuxProcessOf(services[i].programPath) : 0;
        figures[i].measured = pids[i] != 0 && SampleProcess(pids[i], figures[i].atStart);
    }
    Sleep(idleSeconds * 1000);
    for (size_t i = 0; i < services.size(); ++i) {
        figures[i].measured = figures[i].measured && SampleProcess(pids[i], figures[i].atEnd);
    }
    return figures;  // `running` stops every service
}

}  // namespace service_bench
