// The owner of the service's two parts when a test or a benchmark runs them
// in its own process, in place of the service: it hands each part the other,
// counts the configuration loads asked of it, and stops the daemon as a
// requested stop, as the service does.
#pragma once

#include "orxstarter/Process.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"

#include <atomic>

class PartsOwner : public ProcessOwner {
public:
    PartsOwner(COrxIke& ike, CGui& gui) : ike_(ike), gui_(gui) { ike.Owner = gui.Owner = this; }
    COrxIke& Ike() override { return ike_; }
    CGui& Gui() override { return gui_; }
    void LoadConfiguration() override { ++loads; }
    void StopIke() override {
        ike_.StopRequested = true;
        ike_.Stop();
    }
    std::atomic<int> loads{0};

private:
    COrxIke& ike_;
    CGui& gui_;
};
