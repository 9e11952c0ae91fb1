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
    ClearLocked(selector);
    return true;
}

// A vanished GUI's slot, unless another GUI has announced itself for it
// since the end was seen: that GUI's channel stays.
void CGui::ClearVanished(gui_slots::Slot slot) {
    orx::ExclusiveGuard guard(clearLock_);
    if (slotOwners_.Owner(slot) != 0) {
        TRACE("   CGui::Clear: the slot was taken by another GUI meanwhile, left");
        return;
    }
    ClearLocked(static_cast<uint8_t>(slot));
}

void CGui::ClearLocked(uint8_t selector) {
    DeleteGuiLockFile();
    TraceSlots("Enter");
    if (selector == 0) {
        slotOwners_.Cleared(gui_slots::Slot::User);
        if (CloseChannelOf(UserSessionUiSlot)) CurrentUiSlot = LogonUiSlot.load();
    } else if (selector == 1) {
        slotOwners_.Cleared(gui_slots::Slot::Logon);
        if (CloseChannelOf(LogonUiSlot)) CurrentUiSlot = UserSessionUiSlot.load();
    }
    TraceSlots("Exit");
    Connected = false;
    State = ORX_TERMINATED_STATE;
    TRACE("<= CGui::Clear\n");
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
        const gui_slots::Slot slot = logon ? gui_slots::Slot::Logon : gui_slots::Slot::User;
        channel != nullptr ? slotOwners_.Announced(slot, processId) : slotOwners_.Cleared(slot);
        CurrentUiSlot = channel;
    }
    if (replaced != nullptr && replaced != channel) IPCUnitialize(replaced);
}
