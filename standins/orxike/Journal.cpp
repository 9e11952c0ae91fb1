#include "standins/orxike/Journal.h"

#include "standins/orxike/JournalLine.h"

#include <windows.h>

namespace orxike_standin {

Journal::~Journal() {
    if (file_ != nullptr) std::fclose(file_);
}

bool Journal::Open(const std::string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    if (file_ != nullptr) std::fclose(file_);
    // Binary, so the CR LF written below is written once.
    file_ = std::fopen(path.c_str(), "ab");
    return file_ != nullptr;
}

void Journal::EchoToConsole(bool echo) {
    std::lock_guard<std::mutex> hold(lock_);
    echo_ = echo;
}

void Journal::Write(const std::string& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string line = StampedLine(now, text);
    std::lock_guard<std::mutex> hold(lock_);
    if (file_ != nullptr) {
        std::fputs(line.c_str(), file_);
        std::fputs("\r\n", file_);
        std::fflush(file_);
    }
    if (!echo_) return;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void Journal::SetEcho(bool on) {
    std::lock_guard<std::mutex> hold(lock_);
    echo_ = on;
}

}  // namespace orxike_standin
