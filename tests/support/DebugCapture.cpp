#include "DebugCapture.h"

#include <cstring>

namespace testing_support {

namespace {
constexpr DWORD kBufferSize = 4096;  // DWORD pid, then the text
}

DebugOutputCapture::DebugOutputCapture() {
    InitializeCriticalSection(&lock_);
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize, "DBWIN_BUFFER");
    if (mapping_ == nullptr) return;
    view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
    bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (view_ == nullptr || bufferReady_ == nullptr || dataReady_ == nullptr || stop_ == nullptr) return;
    thread_ = CreateThread(nullptr, 0, Loop, this, 0, nullptr);
}

DebugOutputCapture::~DebugOutputCapture() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    for (HANDLE h : {stop_, dataReady_, bufferReady_}) {
        if (h != nullptr) CloseHandle(h);
    }
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI DebugOutputCapture::Loop(void* self) {
    auto* capture = static_cast<DebugOutputCapture*>(self);
    const HANDLE waits[] = {capture->dataReady_, capture->stop_};
    for (;;) {
        SetEvent(capture->bufferReady_);
        const DWORD rc = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (rc != WAIT_OBJECT_0) return 0;
        const auto* raw = static_cast<const char*>(capture->view_);
        DebugLine line;
        std::memcpy(&line.pid, raw, sizeof line.pid);
        line.text.assign(raw + sizeof(DWORD), strnlen(raw + sizeof(DWORD), kBufferSize - sizeof(DWORD)));
        EnterCriticalSection(&capture->lock_);
        capture->lines_.push_back(std::move(line));
        LeaveCriticalSection(&capture->lock_);
    }
}

std::vector<DebugLine> DebugOutputCapture::Lines() {
    EnterCriticalSection(&lock_);
    std::vector<DebugLine> copy = lines_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<std::string> DebugOutputCapture::Texts() {
    std::vector<std::string> texts;
    for (const DebugLine& line : Lines()) texts.push_back(line.text);
    return texts;
}

std::vector<std::string> DebugOutputCapture::TextsFrom(DWORD pid) {
    std::vector<std::string> texts;
    for (const DebugLine& line : Lines()) {
        if (line.pid == pid) texts.push_back(line.text);
    }
    return texts;
}

void DebugOutputCapture::Clear() {
    EnterCriticalSection(&lock_);
    lines_.clear();
    LeaveCriticalSection(&lock_);
}

bool DebugOutputCapture::WaitFor(const std::string& needle, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        for (const std::string& text : Texts()) {
            if (text.find(needle) != std::string::npos) return true;
        }
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

void DebugOutputCapture::Settle(DWORD ms) { Sleep(ms); }

}  // namespace testing_support
