// The GUI slots' rules over every sequence of announcements, orderly closes
// and process ends of three GUI processes, against a model that keeps, per
// process, whether it still holds a slot it has not closed.
#include "orxstarter/gui/GuiSlots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gui_slots;

namespace {

struct Model {
    Slots slots;
    uint32_t holder[2] = {0, 0};  // what the model says holds each slot
    bool ended[4] = {};           // process 1..3 has ended

    // Empty when the rules did what the model expects.
    std::string Step(int event) {
        const int kind = event / 6, arg = event % 6;
        const Slot slot = arg % 2 == 0 ? Slot::User : Slot::Logon;
        const uint32_t process = static_cast<uint32_t>(arg / 2 + 1);
        if (kind == 0) {  // announcement
            if (ended[process]) return {};
            slots.Announced(slot, process);
            holder[static_cast<int>(slot)] = process;
        } else if (kind == 1) {  // orderly close of a slot
            slots.Cleared(slot);
            holder[static_cast<int>(slot)] = 0;
        } else {  // the process ends
            if (ended[process]) return {};
            ended[process] = true;
            const EndActions end = slots.Ended(process);
            const bool holds = holder[0] == process || holder[1] == process;
            if (end.vanished != holds) return "end of process " + std::to_string(process) + " misjudged";
            if (end.vanished && holder[static_cast<int>(end.slot)] != process) return "a successor's slot cleared";
            if (end.vanished) holder[static_cast<int>(end.slot)] = 0;
        }
        for (Slot s : {Slot::User, Slot::Logon}) {
            if (slots.Owner(s) != holder[static_cast<int>(s)]) return "slot owner lost";
        }
        return {};
    }
};

std::string Explore(const Model& model, int left, std::vector<int>& path) {
    if (left == 0) return {};
    for (int event = 0; event < 18; ++event) {
        Model next = model;
        path.push_back(event);
        std::string broken = next.Step(event);
        if (broken.empty()) broken = Explore(next, left - 1, path);
        if (!broken.empty()) return broken;
        path.pop_back();
    }
    return {};
}

}  // namespace

TEST(GuiSlotsModel, EveryEndActsOnlyOnTheSlotItsProcessStillHolds) {
    std::vector<int> path;
    const std::string broken = Explore(Model{}, 6, path);
    std::string sequence;
    for (int event : path) sequence += " " + std::to_string(event);
    EXPECT_EQ("", broken) << "after events" << sequence;
}
