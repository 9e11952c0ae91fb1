#include "tests/support/Inbox.h"

#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/Clock.h"

#include <algorithm>
#include <cstring>

namespace testing_support {

uint32_t Received::Word(size_t offset) const {
    uint32_t value = 0;
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::string Received::Text(size_t offset) const {
    if (offset >= bytes.size()) return {};
    const std::string rest = bytes.substr(offset);
    return rest.substr(0, rest.find('\0'));
}

Inbox::Inbox(const std::string& channelName)
    : arrived_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      reading_(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      holding_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (arrived_ && reading_ && holding_) channel_ = IPCInitServer(channelName.c_str(), &Inbox::OnMessage, nullptr, this);
}

Inbox::~Inbox() {
    ResumeReading();
    if (channel_ != nullptr) IPCUnitialize(channel_);
}

BOOL Inbox::OnMessage(void* message, DWORD length, void* context) {
    auto* self = static_cast<Inbox*>(context);
    // Decided before the message is shown: whoever waited for it may stop
    // reading at once, and that must not hold this message but the next.
    const bool hold = WaitForSingleObject(self->reading_.get(), 0) != WAIT_OBJECT_0;
    self->Take(static_cast<const unsigned char*>(message), length);
    if (hold) {
        SetEvent(self->holding_.get());
        WaitForSingleObject(self->reading_.get(), INFINITE);
        ResetEvent(self->holding_.get());
    }
    return TRUE;
}

void Inbox::Take(const unsigned char* message, DWORD length) {
    uint32_t type = 0;
    if (length >= sizeof type) std::memcpy(&type, message, sizeof type);
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++total_;
        lastArrivalMs_ = NowMs();
        if (bulkOn_ && type == bulkType_) {
            uint32_t number = 0;
            if (length >= bulkOffset_ + sizeof number) std::memcpy(&number, message + bulkOffset_, sizeof number);
            if (number >= bulkSeen_.size()) bulkSeen_.resize(number + 1 + bulkSeen_.size() / 2, false);
            bulkSeen_[number] = true;
        } else {
            Received received;
            received.type = type;
            received.length = length;
            received.bytes.assign(reinterpret_cast<const char*>(message), length);
            kept_.push_back(std::move(received));
            if (kept_.size() > kMaxKept) kept_.pop_front();
        }
    }
    keptChanged_.notify_all();
    SetEvent(arrived_.get());
}

bool Inbox::Next(Received& out, DWORD timeoutMs) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!keptChanged_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return !kept_.empty(); })) {
        return false;
    }
    out = std::move(kept_.front());
    kept_.pop_front();
    return true;
}

bool Inbox::Quiet(DWORD ms) {
    Received ignored;
    return !Next(ignored, ms);
}

std::vector<uint8_t> Inbox::Take(const std::vector<uint32_t>& types, DWORD timeoutMs) {
    std::unique_lock<std::mutex> guard(lock_);
    std::deque<Received>::iterator found;
    const auto hasOne = [&] {
        found = std::find_if(kept_.begin(), kept_.end(), [&](const Received& message) {
            return std::find(types.begin(), types.end(), message.type) != types.end();
        });
        return found != kept_.end();
    };
    if (!keptChanged_.wait_for(guard, std::chrono::milliseconds(timeoutMs), hasOne)) return {};
    std::vector<uint8_t> bytes(found->bytes.begin(), found->bytes.end());
    kept_.erase(found);
    return bytes;
}

bool Inbox::Expect(uint32_t type, Received& out, DWORD timeoutMs) {
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        const double left = deadline - NowMs();
        if (left <= 0 || !Next(out, static_cast<DWORD>(left) + 1)) return false;
        if (out.type == type) return true;
    }
}

void Inbox::Forget() {
    std::lock_guard<std::mutex> guard(lock_);
    kept_.clear();
}

void Inbox::CountBulk(uint32_t type, size_t numberOffset) {
    std::lock_guard<std::mutex> guard(lock_);
    bulkOn_ = true;
    bulkType_ = type;
    bulkOffset_ = numberOffset;
}

std::vector<bool> Inbox::BulkSeen() {
    std::lock_guard<std::mutex> guard(lock_);
    return bulkSeen_;
}

uint64_t Inbox::TotalCount() {
    std::lock_guard<std::mutex> guard(lock_);
    return total_;
}

double Inbox::LastArrivalMs() {
    std::lock_guard<std::mutex> guard(lock_);
    return lastArrivalMs_;
}

void Inbox::StopReading() { ResetEvent(reading_.get()); }

bool Inbox::WaitHolding(DWORD timeoutMs) { return WaitForSingleObject(holding_.get(), timeoutMs) == WAIT_OBJECT_0; }

void Inbox::ResumeReading() { SetEvent(reading_.get()); }

bool IsStatusForm(const Received& message, bool daemonRunning) {
    return message.type == (daemonRunning ? ORXIKE_STARTED : ORXIKE_STOPPED) && message.length == IPC_MAX_MSG_SIZE &&
           message.Text(offsetof(IpcStatusMsg, version)) == IPC_DAEMON_VERSION;
}

}  // namespace testing_support
