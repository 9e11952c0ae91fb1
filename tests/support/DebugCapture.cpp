#include "tests/support/DebugCapture.h"

#include <cstring>

namespace testing_support {

namespace {
constexpr DWORD kBufferSize = 4096;  // DWORD pid, then the text
}

DebugOutputCapture::DebugOutputCapture() {
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize, "DBWIN_BUFFER");
    if (mapping_ == nullptr) return;
    view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
    bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (view_ == nullptr || bufferReady_ == nullptr || dataReady_ == nullptr || stop_ == nullptr) return;
    thread_ = CreateThread(nullptr, 0, [](void* self) -> DWORD {
        auto* capture = static_cast<DebugOutputCapture*>(self);
        const HANDLE waits[] = {capture->dataReady_, capture->stop_};
        for (;;) {
            SetEvent(capture->bufferReady_);
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return 0;
            const auto* raw = static_cast<const char*>(capture->view_);
            DWORD pid = 0;
            std::memcpy(&pid, raw, sizeof pid);
            std::string text(raw + sizeof pid, strnlen(raw + sizeof pid, kBufferSize - sizeof pid));
            std::lock_guard<std::mutex> hold(capture->lock_);
            capture->lines_.emplace_back(pid, std::move(text));
        }
    }, this, 0, nullptr);
}

DebugOutputCapture::~DebugOutputCapture() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    for (HANDLE h : {stop_, dataReady_, bufferReady_, mapping_}) {
        if (h != nullptr) CloseHandle(h);
    }
    if (view_ != nullptr) UnmapViewOfFile(view_);
}

std::vector<std::string> DebugOutputCapture::Select(bool anyProcess, DWORD pid) {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string> texts;
    for (const auto& [from, text] : lines_) {
        if (anyProcess || from == pid) texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> DebugOutputCapture::Texts() { return Select(true, 0); }
std::vector<std::string> DebugOutputCapture::TextsFrom(DWORD pid) { return Select(false, pid); }

void DebugOutputCapture::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.clear();
}

bool DebugOutputCapture::WaitFor(const std::string& needle, DWORD timeoutMs) {
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(20)) {
        for (const std::string& text : Texts()) {
            if (text.find(needle) != std::string::npos) return true;
        }
        if (GetTickCount64() >= deadline) return false;
    }
}

}  // namespace testing_support
