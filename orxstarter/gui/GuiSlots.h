// Which GUI holds which of the broker's two slots, and what the end of a GUI
// process changes: pure rules, no OS calls. A GUI's end acts only on a slot
// that GUI still holds; one that closed in order, or whose slot another GUI
// has taken since, changes nothing.
#pragma once

#include <cstdint>

namespace gui_slots {

enum class Slot : uint8_t { User = 0, Logon = 1 };

struct EndActions {
    bool vanished = false;  // report it, tell the daemon, clear `slot`
    Slot slot = Slot::User;
};

class Slots {
public:
    // A GUI process announced itself for `slot` (replacing whoever held it).
    void Announced(Slot slot, uint32_t processId) { owner_[Index(slot)] = processId; }
    // The slot's GUI closed in order (VPNCONF_CLOSED), or the slot was cleared.
    void Cleared(Slot slot) { owner_[Index(slot)] = 0; }
    // The process `processId` has ended: when it still holds a slot, that
    // slot is released now (to be cleared unless announced again meanwhile).
    EndActions Ended(uint32_t processId);
    uint32_t Owner(Slot slot) const { return owner_[Index(slot)]; }

private:
    static int Index(Slot slot) { return slot == Slot::Logon ? 1 : 0; }
    uint32_t owner_[2] = {0, 0};  // 0: nobody (process ids are never 0 for a GUI)
};

}  // namespace gui_slots
