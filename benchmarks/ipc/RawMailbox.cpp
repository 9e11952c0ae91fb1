#include "benchmarks/ipc/RawMailbox.h"

#include <cstring>

namespace raw_mailbox {

namespace {

void CloseIfOpen(HANDLE& h) {
    if (h != nullptr) CloseHandle(h);
    h = nullptr;
}

void UnmapIfMapped(unsigned char*& view) {
    if (view != nullptr) UnmapViewOfFile(view);
    view = nullptr;
}

unsigned char* MapWhole(HANDLE section) {
    return static_cast<unsigned char*>(MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

}  // namespace

bool Server::Open(const std::string& name, Handler handler, void* context) {
    handler_ = handler;
    context_ = context;
    section_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, name.c_str());
    if (section_ != nullptr) view_ = MapWhole(section_);
    present_ = CreateEventA(nullptr, FALSE, FALSE, (name + "_MTX").c_str());
    free_ = CreateEventA(nullptr, FALSE, TRUE, (name + "_EVT").c_str());
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (view_ == nullptr || present_ == nullptr || free_ == nullptr || stop_ == nullptr) {
        Close();
        return false;
    }
    thread_ = CreateThread(nullptr, 0, Receive, this, 0, nullptr);
    if (thread_ == nullptr) Close();
    return thread_ != nullptr;
}

void Server::Close() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
    }
    CloseIfOpen(thread_);
    CloseIfOpen(stop_);
    CloseIfOpen(free_);
    CloseIfOpen(present_);
    UnmapIfMapped(view_);
    CloseIfOpen(section_);
}

DWORD WINAPI Server::Receive(void* self) {
    auto* s = static_cast<Server*>(self);
    const HANDLE waits[2] = {s->present_, s->stop_};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        uint32_t length = 0;
        std::memcpy(&length, s->view_, sizeof length);
        if (length <= kMaxMessage) s->handler_(s->view_ + 4, length, s->context_);
        SetEvent(s->free_);
    }
    return 0;
}

bool Client::Open(const std::string& name) {
    section_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (section_ != nullptr) view_ = MapWhole(section_);
    present_ = OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_MTX").c_str());
    free_ = OpenEventA(EVENT_ALL_ACCESS, FALSE, (name + "_EVT").c_str());
    if (view_ == nullptr || present_ == nullptr || free_ == nullptr) {
        Close();
        return false;
    }
    return true;
}

void Client::Close() {
    CloseIfOpen(free_);
    CloseIfOpen(present_);
    UnmapIfMapped(view_);
    CloseIfOpen(section_);
}

SendResult Client::Take(DWORD timeoutMs) {
    if (view_ == nullptr) return SendResult::Failed;
    const DWORD rc = WaitForSingleObject(free_, timeoutMs);
    if (rc == WAIT_TIMEOUT) return SendResult::Busy;
    return rc == WAIT_OBJECT_0 ? SendResult::Sent : SendResult::Failed;
}

SendResult Client::Send(const void* data, uint32_t size, DWORD timeoutMs) {
    if (size > kMaxMessage) return SendResult::TooLong;
    const SendResult taken = Take(timeoutMs);
    if (taken != SendResult::Sent) return taken;
    std::memcpy(view_, &size, sizeof size);
    if (size > 0) std::memcpy(view_ + 4, data, size);
    return SetEvent(present_) ? SendResult::Sent : SendResult::Failed;
}

SendResult Client::SendForgedLength(uint32_t length) {
    const SendResult taken = Take(kSendTimeoutMs);
    if (taken != SendResult::Sent) return taken;
    std::memcpy(view_, &length, sizeof length);
    return SetEvent(present_) ? SendResult::Sent : SendResult::Failed;
}

}  // namespace raw_mailbox
