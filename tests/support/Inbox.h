// A server channel played in this process for one of the service's peers
// (the GUI's own channel, the daemon's "vpnike") or as a benchmark's end: it
// keeps what arrives for the test to expect or take, or only counts one bulk
// type by the number each message carries; it sets an event on every
// arrival; and it can stop reading, holding the message in its callback so
// that the mailbox stays full, as a hung peer does.
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

struct Received {
    uint32_t type = 0;  // 0 for a message under 4 bytes
    DWORD length = 0;
    std::string bytes;
    uint32_t Word(size_t offset) const;
    std::string Text(size_t offset) const;  // up to its first NUL
};

class Inbox {
public:
    explicit Inbox(const std::string& channelName);
    ~Inbox();
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    bool ok() const { return channel_ != nullptr; }

    // The next kept message of `type` within `timeoutMs`; kept messages of
    // other types before it are passed over.
    bool Expect(uint32_t type, Received& out, DWORD timeoutMs);
    // The next kept message, whatever its type.
    bool Next(Received& out, DWORD timeoutMs = 10000);
    // True when nothing arrives within `ms`.
    bool Quiet(DWORD ms);
    // The bytes of the first kept message of one of `types`, which alone is
    // taken (others stay kept); empty when none came within `timeoutMs`.
    std::vector<uint8_t> Take(const std::vector<uint32_t>& types, DWORD timeoutMs = 5000);
    std::vector<uint8_t> Take(uint32_t type, DWORD timeoutMs = 5000) {
        return Take(std::vector<uint32_t>{type}, timeoutMs);
    }
    void Forget();  // drops every kept message

    // Messages of `type` are from now on only counted, by the 32-bit number
    // at `numberOffset` (1, 2, ...), never kept.
    void CountBulk(uint32_t type, size_t numberOffset);
    std::vector<bool> BulkSeen();  // index = number
    uint64_t TotalCount();

    // An auto-reset event set on every arrival, and the time of the last one
    // (NowMs), for latency measurements.
    HANDLE ArrivalEvent() const { return arrived_.get(); }
    double LastArrivalMs();

    // Hung peer: the next message is held in the callback until resumed.
    void StopReading();
    bool WaitHolding(DWORD timeoutMs);  // a message is being held
    void ResumeReading();

private:
    static BOOL OnMessage(void* message, DWORD length, void* context);
    void Take(const unsigned char* message, DWORD length);

    static constexpr size_t kMaxKept = 4096;  // a flood only keeps its newest
    std::mutex lock_;
    std::condition_variable keptChanged_;
    std::deque<Received> kept_;
    uint32_t bulkType_ = 0;
    bool bulkOn_ = false;
    size_t bulkOffset_ = 4;
    std::vector<bool> bulkSeen_;
    uint64_t total_ = 0;
    double lastArrivalMs_ = 0;
    orx::UniqueHandle arrived_;
    orx::UniqueHandle reading_;  // manual reset: set while the callback may return
    orx::UniqueHandle holding_;  // manual reset: set while a message is held
    HANDLE channel_ = nullptr;
};

bool IsStatusForm(const Received& message, bool daemonRunning);

}  // namespace testing_support
