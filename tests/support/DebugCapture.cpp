#include "tests/support/DebugCapture.h"

#include "sysdep/Locks.h"
#include "tests/support/Wait.h"

#include <cstring>

namespace testing_support {

namespace {
constexpr DWORD kBufferSize = 4096;  // DWORD pid, then the text
}

DebugOutputCapture::DebugOutputCapture() {
    mapping_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize, "DBWIN_BUFFER"));
    if (!mapping_) return;
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    bufferReady_.reset(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY"));
    dataReady_.reset(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY"));
    stop_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (view_ && bufferReady_ && dataReady_ && stop_)
        thread_.reset(CreateThread(nullptr, 0, Collect, this, 0, nullptr));
}

DWORD WINAPI DebugOutputCapture::Collect(void* self) {
    auto* capture = static_cast<DebugOutputCapture*>(self);
    const HANDLE waits[] = {capture->dataReady_.get(), capture->stop_.get()};
    for (;;) {
        SetEvent(capture->bufferReady_.get());
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return 0;
        const auto* raw = static_cast<const char*>(capture->view_.get());
        DWORD pid = 0;
        std::memcpy(&pid, raw, sizeof pid);
        std::string text(raw + sizeof pid, strnlen(raw + sizeof pid, kBufferSize - sizeof pid));
        orx::ExclusiveGuard guard(capture->lock_);
        capture->lines_.emplace_back(pid, std::move(text));
    }
}

DebugOutputCapture::~DebugOutputCapture() {
    if (thread_) {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), 5000);
    }
}

std::vector<std::string> DebugOutputCapture::Select(bool anyProcess, DWORD pid) {
    orx::ExclusiveGuard guard(lock_);
    std::vector<std::string> texts;
    for (const auto& [from, text] : lines_) {
        if (anyProcess || from == pid) texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> DebugOutputCapture::Texts() { return Select(true, 0); }
std::vector<std::string> DebugOutputCapture::TextsFrom(DWORD pid) { return Select(false, pid); }

std::vector<std::string> DebugOutputCapture::TraceMessages(const std::string& tag, DWORD pid, DWORD thread) {
    Settle();
    const std::string ofThread = "][" + std::to_string(thread) + "] (";
    std::vector<std::string> messages;
    for (const std::string& text : TextsFrom(pid)) {
        const size_t start = text.find(") ");
        if (text.find(tag) == std::string::npos || start == std::string::npos) continue;
        if (thread != 0 && text.find(ofThread) == std::string::npos) continue;
        messages.push_back(text.substr(start + 2, text.size() - start - 2 - (text.back() == '\n')));
    }
    return messages;
}

void DebugOutputCapture::Clear() {
    orx::ExclusiveGuard guard(lock_);
    lines_.clear();
}

bool DebugOutputCapture::WaitFor(const std::string& needle, DWORD timeoutMs) {
    return WaitUntil([&] {
        for (const std::string& text : Texts()) {
            if (text.find(needle) != std::string::npos) return true;
        }
        return false;
    }, timeoutMs);
}

}  // namespace testing_support
