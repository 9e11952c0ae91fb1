// Clearing a GUI's slot after it closed or vanished, under the broker's clear
// lock: the lock file, the slot the selector names, the fallback of the
// current slot to the other kind's GUI.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/interps.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/trace/DebugTrace.h"
#include "sysdep/Locks.h"
#include "sysdep/sysdep.h"

#include <cstdio>


namespace {

constexpr char kLockFileName[] = "tunpanel.~lk";

// The lock file is left alone when the data directory is unknown: the path
// would otherwise be "\tunpanel.~lk" at the root of the current drive.
void DeleteGuiLockFile() {
    char dataDir[MAX_PATH] = {};
    if (!GetLogDataDir(dataDir, sizeof dataDir)) {
        TRACE("   CGui::Clear: no log data directory, the lock file is left");
        return;
    }
    char path[MAX_PATH];
    const int length = std::snprintf(path, sizeof path, "%s\\%s", dataDir, kLockFileName);
    if (length > 0 && static_cast<size_t>(length) < sizeof path) DeleteFileA(path);
}

}  // namespace

// One clear at a time, whichever thread asks (the dispatcher's two channels
// and every watchdog), and no announcement changing the slots meanwhile.
bool CGui::Clear(uint8_t selector) {
    TRACE("=> CGui::Clear locked\n");
    orx::ExclusiveGuard guard(clearLock_);
    TRACE("   CGui::Clear unlocked\n");
    DeleteGuiLockFile();
    TraceSlots("Enter");
    if (selector == 0) {
        userSlotOwner_ = 0;
        if (CloseChannelOf(UserSessionUiSlot)) CurrentUiSlot = LogonUiSlot.load();
    } else if (selector == 1) {
        logonSlotOwner_ = 0;
        if (CloseChannelOf(LogonUiSlot)) CurrentUiSlot = UserSessionUiSlot.load();
    }
    TraceSlots("Exit");
    Connected = false;
    State = ORX_TERMINATED_STATE;
    TRACE("<= CGui::Clear\n");
    return true;
}

void CGui::TraceSlots(const char* when) const {
    TRACE("\t%s clear with current UI IPC Slot (0x%08X)", when, TraceBits(CurrentUiSlot.load()));
    TRACE("\t%s clear with logon UI IPC Slot (0x%08X)", when, TraceBits(LogonUiSlot.load()));
    TRACE("\t%s clear with user session UI IPC Slot (0x%08X)", when, TraceBits(UserSessionUiSlot.load()));
}

void CGui::FillSlot(bool logon, HANDLE channel, DWORD processId) {
    HANDLE replaced;
    {
        orx::ExclusiveGuard guard(clearLock_);
        replaced = (logon ? LogonUiSlot : UserSessionUiSlot).exchange(channel);
        (logon ? logonSlotOwner_ : userSlotOwner_) = channel != nullptr ? processId : 0;
        CurrentUiSlot = channel;
    }
    if (replaced != nullptr && replaced != channel) IPCUnitialize(replaced);
}
