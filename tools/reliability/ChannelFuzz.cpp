#include "tools/reliability/ChannelFuzz.h"

#include "tests/support/ChannelNames.h"
#include "tests/support/ClientChannel.h"
#include "tests/support/DaemonEnd.h"
#include "tests/support/MailboxWatch.h"
#include "tests/support/RawMailbox.h"
#include "tools/reliability/FuzzMessages.h"

#include <thread>
#include <vector>

namespace reliability {

using namespace testing_support;

namespace {

constexpr DWORD kFreedTimeoutMs = 10000;

void FuzzChannel(ChannelFuzz& job, FuzzProgress& progress) {
    const ClientChannel client(job.channel);
    raw_mailbox::Client raw;
    MailboxWatch watch(job.channel);
    if (!client.ok() || !raw.Open(job.channel) || !watch.ok()) return;
    FuzzSource source(job.seed);
    const unsigned char none = 0;
    for (unsigned i = 0; i < job.count; ++i, progress.Count()) {
        const FuzzMessage message = source.Next();
        if (message.forged) {
            if (raw.SendForgedLength(message.forgedLength) != raw_mailbox::SendResult::Sent) {
                ++job.busy;
                continue;
            }
            ++job.forged;
            job.forgedFreed += watch.WaitFreed(kFreedTimeoutMs);
            continue;
        }
        const void* bytes = message.bytes.empty() ? &none : message.bytes.data();
        if (client.Send(bytes, static_cast<DWORD>(message.bytes.size()))) {
            ++job.placed;
            job.aimedOutside += message.aim == RegistryAim::Outside;
            job.aimedProtected += message.aim == RegistryAim::Protected;
            job.texts += message.controlText;
        } else {
            ++job.busy;
        }
    }
    watch.WaitFreed(kFreedTimeoutMs);  // the last message handled
}

}  // namespace

void FuzzProgress::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (++sent_ >= due_) changed_.notify_all();
}

void FuzzProgress::End() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

void FuzzProgress::WaitFor(uint64_t messages) {
    std::unique_lock<std::mutex> lock(mutex_);
    due_ = messages;
    changed_.wait(lock, [&] { return sent_ >= due_ || ended_; });
}

ChannelFuzz FuzzAllChannels(unsigned messages, uint32_t seed, FuzzProgress& progress) {
    const std::string channels[] = {kCfgRequests, kLogonRequests, kRelayChannel, ServiceIkeChannelName()};
    std::vector<ChannelFuzz> jobs(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < jobs.size(); ++i) {
        jobs[i].channel = channels[i];
        jobs[i].seed = seed + static_cast<uint32_t>(i);
        jobs[i].count = messages / 4;
        threads.emplace_back(FuzzChannel, std::ref(jobs[i]), std::ref(progress));
    }
    for (auto& thread : threads) thread.join();
    ChannelFuzz total;
    for (const ChannelFuzz& job : jobs) {
        total.placed += job.placed;
        total.busy += job.busy;
        total.forged += job.forged;
        total.forgedFreed += job.forgedFreed;
        total.aimedOutside += job.aimedOutside;
        total.aimedProtected += job.aimedProtected;
        total.texts += job.texts;
    }
    return total;
}

}  // namespace reliability
