#include "tools/reliability/HostileEpisodes.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "sysdep/WinHandles.h"
#include "tests/support/ChannelNames.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Clock.h"
#include "tests/support/DaemonEnd.h"
#include "tests/support/MailboxWatch.h"
#include "tests/support/ProcessProbe.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/Scenarios.h"
#include "tools/reliability/ThreadsAndHandles.h"

#include <algorithm>
#include <cstring>

namespace reliability {

using namespace testing_support;

namespace {

constexpr DWORD kHoldMs = 3000;
constexpr DWORD kHandledTimeoutMs = 60000;
constexpr int kStartSendTries = 3;

bool DaemonRunning() { return !ProcessIdsOf("orxike.exe", DaemonDir()).empty() && ChannelExists(kDaemonChannel); }

// Both request channels free again: the service has handled what was sent.
void WaitHandled() {
    for (const char* name : {kCfgRequests, kLogonRequests}) MailboxWatch(name).WaitFreed(kHandledTimeoutMs);
}

}  // namespace

EpisodeDriver::EpisodeDriver(DWORD serviceId)
    : serviceId_(serviceId), cfg_(kCfgRequests), logon_(kLogonRequests), daemonSide_(ServiceIkeChannelName()) {}

void EpisodeDriver::Note(const std::string& problem) {
    if (tally_.problem.empty()) tally_.problem = "episode " + std::to_string(played_) + ": " + problem;
}

void EpisodeDriver::Play(const Episode& episode) {
    ++played_;
    switch (episode.kind) {
    case EpisodeKind::ForgedDaemonState: ForgeDaemonState(episode); break;
    case EpisodeKind::HeldDaemonMailbox: HoldDaemonMailbox(episode); break;
    case EpisodeKind::AnnouncementFlood: FloodAnnouncements(); break;
    }
}

// The fuzz or an earlier episode may have stopped the daemon: a GUI's start
// request launches one (the service waits up to 30 s for it).
bool EpisodeDriver::EnsureDaemonRunning() {
    if (DaemonRunning()) return true;
    // The fuzz keeps the request channels busy: a send that found the
    // mailbox taken for its 2 s is tried again, as a GUI would.
    bool sent = false;
    for (int tries = 0; tries < kStartSendTries && !sent; ++tries) sent = cfg_.SendEmpty(VPNCONF_STARTED);
    if (!sent) {
        Note("a start request found the mailbox taken " + std::to_string(kStartSendTries) + " times");
        return false;
    }
    ++tally_.launchRequests;
    if (WaitUntil(DaemonRunning, kLaunchTimeoutMs)) return true;
    Note("no daemon ran within " + std::to_string(kLaunchTimeoutMs / 1000) + " s of a start request");
    return false;
}

// A daemon message forged on the daemon's channel while a daemon runs, then
// a GUI request that starts, updates or resets the daemon.
void EpisodeDriver::ForgeDaemonState(const Episode& episode) {
    if (!EnsureDaemonRunning()) return;
    tally_.forged += daemonSide_.SendEmpty(episode.forgedCode);
    const ClientChannel& gui = tally_.forged % 2 == 0 ? cfg_ : logon_;
    tally_.launchRequests += gui.SendEmpty(episode.launchCode);
    WaitHandled();
}

// The daemon's "mailbox free" event taken and kept for a while, as any local
// process can: the service's sends to the daemon give up meanwhile.
void EpisodeDriver::HoldDaemonMailbox(const Episode& episode) {
    if (!EnsureDaemonRunning()) return;
    const orx::UniqueHandle free(OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE,
                                            (std::string(kDaemonChannel) + "_EVT").c_str()));
    if (!free) {
        Note("the daemon's mailbox could not be opened (error " + std::to_string(GetLastError()) + ")");
        return;
    }
    const DWORD taken = WaitForSingleObject(free.get(), 2 * IPC_SEND_TIMEOUT_MS);
    if (taken != WAIT_OBJECT_0) {
        Note("the daemon's mailbox could not be taken (wait " + std::to_string(taken) + ")");
        return;
    }
    ++tally_.holds;
    tally_.launchRequests += cfg_.SendEmpty(episode.launchCode);
    logon_.SendEmpty(ORXCONSOLE_DBGLEVEL);  // passed to the daemon
    Sleep(kHoldMs);
    SetEvent(free.get());
    WaitHandled();
}

// Announcements of a GUI that asks for a watchdog, all naming the same live
// process, on both request channels; the service's threads counted once it
// has handled them, then the process ended and the threads counted again
// once they are back (or a minute has passed).
void EpisodeDriver::FloodAnnouncements() {
    const DWORD before = ThreadCount(serviceId_);
    if (tally_.floods == 0) tally_.threadsBeforeFloods = before;
    char image[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, image, sizeof image);
    // Suspended, it never runs: it lives until it is ended.
    testing_support::BackgroundProcess live("\"" + std::string(image) + "\" --help", CREATE_SUSPENDED);
    if (!live.started()) {
        Note("no live process to announce");
        return;
    }
    IpcGuiInfoMsg info = {};
    info.type = SET_GUI_INFOS;
    info.processId = live.pid();
    info.watchProcess = 1;
    unsigned char message[IPC_MAX_MSG_SIZE] = {};
    for (unsigned i = 0; i < kFloodAnnouncements; ++i) {
        info.connectionType = static_cast<int8_t>(i % 2);
        std::memcpy(message, &info, sizeof info);
        tally_.announcements += (i % 2 == 0 ? cfg_ : logon_).Send(message, sizeof message);
    }
    WaitHandled();
    ++tally_.floods;
    tally_.threadsAfterFloods = std::max(tally_.threadsAfterFloods, ThreadCount(serviceId_));
    live.Kill();
    tally_.floodsSettled += WaitUntil([&] { return ThreadCount(serviceId_) <= before + kCountSlack; },
                                      kHandledTimeoutMs);
}

}  // namespace reliability
