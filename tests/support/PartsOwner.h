// The owner of the service's parts when a test or a benchmark runs them in
// its own process, in place of the service, and stand-ins for a part that is
// tested alone: a GUI link and a daemon link that send on a channel of the
// test's choice.
#pragma once

#include "common/orxinterps/src/interps.h"
#include "orxstarter/Process.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"

#include <windows.h>

#include <atomic>

// Everything meant for the GUI goes to one channel, opened as a client.
class ChannelGui : public GuiLink {
public:
    explicit ChannelGui(const char* channel = nullptr) {
        if (channel != nullptr) channel_ = IPCInitClient(channel);
    }
    ~ChannelGui() {
        if (channel_ != nullptr) IPCUnitialize(channel_);
    }
    ChannelGui(const ChannelGui&) = delete;
    ChannelGui& operator=(const ChannelGui&) = delete;
    bool SendToGui(const void* message, DWORD length) override {
        return IPCSendMsg(channel_, message, length) != FALSE;
    }
    bool GuiReady() override { return ready.load(); }
    HANDLE channel() const { return channel_; }

    std::atomic<bool> ready{false};

private:
    HANDLE channel_ = nullptr;
};

// A daemon that "runs" while `running` says so; every message goes to the
// channel "vpnike" (or the one named), opened as a client.
class ChannelDaemon : public DaemonLink {
public:
    explicit ChannelDaemon(const char* channel = "vpnike") : channel_(IPCInitClient(channel)) {}
    ~ChannelDaemon() {
        if (channel_ != nullptr) IPCUnitialize(channel_);
    }
    ChannelDaemon(const ChannelDaemon&) = delete;
    ChannelDaemon& operator=(const ChannelDaemon&) = delete;
    bool SendToDaemon(const void* message, DWORD length) override {
        return IPCSendMsg(channel_, message, length) != FALSE;
    }
    bool DaemonConnected() override { return running.load(); }
    bool DaemonRunning() override { return running.load(); }
    DaemonStart StartDaemon() override {
        ++starts;
        return running.load() ? DaemonStart::AlreadyRunning : DaemonStart::Failed;
    }
    HANDLE channel() const { return channel_; }

    std::atomic<bool> running{true};
    std::atomic<int> starts{0};

private:
    HANDLE channel_ = nullptr;
};

class PartsOwner : public ProcessOwner {
public:
    PartsOwner(DaemonLink& daemon, GuiLink& gui) : daemon_(daemon), gui_(gui) {}
    DaemonLink& Daemon() override { return daemon_; }
    GuiLink& Gui() override { return gui_; }
    void LoadConfiguration() override { ++loads; }
    // The requested stop, as the service does it, when a supervisor is
    // part of the test.
    void StopIke() override {
        ++stops;
        if (ike != nullptr) ike->Stop();
    }

    std::atomic<int> loads{0};
    std::atomic<int> stops{0};
    COrxIke* ike = nullptr;

private:
    DaemonLink& daemon_;
    GuiLink& gui_;
};
