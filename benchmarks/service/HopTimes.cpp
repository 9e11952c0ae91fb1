#include "benchmarks/service/HopTimes.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/Wait.h"

namespace service_bench {

using testing_support::NowMs;

namespace {

constexpr DWORD kArrivalTimeoutMs = 5000;
constexpr DWORD kDrainTimeoutMs = 30000;

}  // namespace

double TimeOneMessage(const Sender& send, testing_support::Inbox& arrival, uint32_t type) {
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, type);
    ResetEvent(arrival.ArrivalEvent());
    const double start = NowMs();
    if (!send(message, sizeof message)) return kSendRefused;
    if (WaitForSingleObject(arrival.ArrivalEvent(), kArrivalTimeoutMs) != WAIT_OBJECT_0) return kNotArrived;
    return (NowMs() - start) * 1000;
}

double MessagesPerSecond(const Sender& send, testing_support::Inbox& arrival, uint32_t type, unsigned count) {
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, type);
    const uint64_t before = arrival.TotalCount();
    const double start = NowMs();
    unsigned placed = 0;
    for (unsigned i = 0; i < count; ++i) placed += send(message, sizeof message);
    if (placed != count ||
        !testing_support::WaitUntil([&] { return arrival.TotalCount() - before >= count; }, kDrainTimeoutMs)) {
        return 0;
    }
    return count * 1000.0 / (arrival.LastArrivalMs() - start);
}

}  // namespace service_bench
