#include "tests/ike/IkeTestSupport.h"

#include "common/orxinterps/src/interps.h"
#include "systemlog/SystemLog.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

using namespace testing_support;

namespace ike_test {

uint32_t Received::Word(size_t offset) const {
    uint32_t value = 0;
    if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

ChannelSink::ChannelSink(const std::string& name) { server_ = IPCInitServer(name.c_str(), &OnMessage, nullptr, this); }

ChannelSink::~ChannelSink() { IPCUnitialize(server_); }

BOOL ChannelSink::OnMessage(void* message, DWORD length, void* context) {
    auto* self = static_cast<ChannelSink*>(context);
    Received received;
    received.length = length;
    received.bytes.assign(static_cast<const char*>(message), length);
    if (length >= 4) std::memcpy(&received.type, message, 4);
    {
        std::lock_guard<std::mutex> guard(self->lock_);
        self->queue_.push_back(std::move(received));
    }
    self->arrived_.notify_all();
    return TRUE;
}

bool ChannelSink::Next(Received& out, DWORD timeoutMs) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return !queue_.empty(); })) return false;
    out = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

bool ChannelSink::Quiet(DWORD ms) {
    Received ignored;
    return !Next(ignored, ms);
}

SystemLogFile::SystemLogFile() : dir_(MakeTempDir("ikelog")) { systemlog::TheSystemLog().EnableFile(dir_.c_str(), "Ike"); }

SystemLogFile::~SystemLogFile() {
    systemlog::TheSystemLog().DisableAll();
    RemoveTree(dir_);
}

std::string SystemLogFile::Text() const { return ReadFileBytes(dir_ + "\\" + TodayDashed() + "-Ike.log"); }

bool SystemLogFile::WaitForEvent(uint32_t eventNumber, DWORD timeoutMs) const {
    const std::string needle = "[" + std::to_string(eventNumber) + "]";
    return WaitUntil([&] { return Text().find(needle) != std::string::npos; }, timeoutMs);
}

DaemonStandin::DaemonStandin(const std::string& settings, const std::string& dir) : dir_(dir) {
    DeleteFileA((dir_ + "orxike-received.log").c_str());
    DeleteFileA((dir_ + "orxikeng-received.log").c_str());
    const std::string path = dir_ + "orxike-standin.ini";
    DeleteFileA(path.c_str());
    if (settings.empty()) return;
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(settings.data(), 1, settings.size(), file);
        std::fclose(file);
    }
}

DaemonStandin::~DaemonStandin() { DeleteFileA((dir_ + "orxike-standin.ini").c_str()); }

std::string DaemonStandin::Journal(const std::string& image) const {
    return ReadFileBytes(dir_ + image + "-received.log");
}

bool DaemonStandin::WaitForJournal(const std::string& text, DWORD timeoutMs, const std::string& image) const {
    return WaitUntil([&] { return Journal(image).find(text) != std::string::npos; }, timeoutMs);
}

int CountProcesses(const char* image) {
    orx::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, image) == 0) ++count;
    }
    return count;
}

std::string BinDir() {
    std::string dir = BinPath("");
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

}  // namespace ike_test
