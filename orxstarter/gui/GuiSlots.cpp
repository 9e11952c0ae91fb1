#include "orxstarter/gui/GuiSlots.h"

#include <initializer_list>

namespace gui_slots {

EndActions Slots::Ended(uint32_t processId) {
    EndActions actions;
    if (processId == 0) return actions;
    for (Slot slot : {Slot::User, Slot::Logon}) {
        if (owner_[Index(slot)] == processId) {
            actions.vanished = true;
            actions.slot = slot;
            owner_[Index(slot)] = 0;
            return actions;
        }
    }
    return actions;
}

}  // namespace gui_slots
