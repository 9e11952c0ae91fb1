#include "tests/support/RawMailbox.h"

#include <cstring>

namespace raw_mailbox {

namespace {

void* MapWhole(HANDLE section) { return MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0); }

}  // namespace

bool Server::Open(const std::string& name, Handler handler, void* context) {
    handler_ = handler;
    context_ = context;
    section_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, name.c_str()));
    if (section_) view_.reset(MapWhole(section_.get()));
    present_.reset(CreateEventA(nullptr, FALSE, FALSE, (name + "_MTX").c_str()));
    free_.reset(CreateEventA(nullptr, FALSE, TRUE, (name + "_EVT").c_str()));
    stop_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (view_ && present_ && free_ && stop_) thread_.reset(CreateThread(nullptr, 0, Receive, this, 0, nullptr));
    if (!thread_) Close();
    return static_cast<bool>(thread_);
}

void Server::Close() {
    if (thread_) {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
    thread_.reset();
    stop_.reset();
    free_.reset();
    present_.reset();
    view_.reset();
    section_.reset();
}

DWORD WINAPI Server::Receive(void* self) {
    auto* s = static_cast<Server*>(self);
    const HANDLE waits[2] = {s->present_.get(), s->stop_.get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        uint32_t length = 0;
        std::memcpy(&length, s->View(), sizeof length);
        if (length <= kMaxMessage) s->handler_(s->View() + 4, length, s->context_);
        SetEvent(s->free_.get());
    }
    return 0;
}

bool Client::Open(const std::string& name) {
    section_.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
    if (section_) view_.reset(MapWhole(section_.get()));
    present_.reset(OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_MTX").c_str()));
    free_.reset(OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_EVT").c_str()));
    if (view_ && present_ && free_) return true;
    Close();
    return false;
}

void Client::Close() {
    free_.reset();
    present_.reset();
    view_.reset();
    section_.reset();
}

SendResult Client::Take(DWORD timeoutMs) {
    if (!view_) return SendResult::Failed;
    const DWORD rc = WaitForSingleObject(free_.get(), timeoutMs);
    if (rc == WAIT_TIMEOUT) return SendResult::Busy;
    return rc == WAIT_OBJECT_0 ? SendResult::Sent : SendResult::Failed;
}

SendResult Client::Send(const void* data, uint32_t size, DWORD timeoutMs) {
    if (size > kMaxMessage) return SendResult::TooLong;
    const SendResult taken = Take(timeoutMs);
    if (taken != SendResult::Sent) return taken;
    std::memcpy(View(), &size, sizeof size);
    if (size > 0) std::memcpy(View() + 4, data, size);
    return SetEvent(present_.get()) ? SendResult::Sent : SendResult::Failed;
}

SendResult Client::SendForgedLength(uint32_t length) {
    const SendResult taken = Take(kSendTimeoutMs);
    if (taken != SendResult::Sent) return taken;
    std::memcpy(View(), &length, sizeof length);
    return SetEvent(present_.get()) ? SendResult::Sent : SendResult::Failed;
}

}  // namespace raw_mailbox
