// What the GUI broker adds to a channel hop. In one process: the broker on
// its real channels, a GUI channel and a daemon channel played by the bench,
// and two spare channels for the floor. Measured, in shuffled interleaved
// blocks:
//   - floor: two bare hops, a channel whose callback passes each message
//     straight on to the next, as the broker does;
//   - passed: a GUI request the broker passes on (VPNCONF_SYSINFOS), sent
//     on "Global\vpnsrvcfg" until the daemon's callback on "vpnike": 2 hops;
//   - panel: OPEN_CFGPANEL_REQ until the answer reaches the GUI's channel
//     (the broker reads "NoAdminPwd" on the way): 2 hops.
// Each is given against the two bare hops.
//
//   gui_bench.exe [--rounds N] [--blocks B]
#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/gui.h"
#include "orxstarter/ike/orxike.h"

#include "tests/support/BareRelay.h"
#include "tests/support/Clock.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/Inbox.h"
#include "tests/support/PartsOwner.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using testing_support::GuiChannelName;
using testing_support::Inbox;
using testing_support::NowMicroseconds;

struct Options {
    unsigned rounds = 200;  // measured messages per block
    unsigned blocks = 10;   // blocks per variant
};

struct Variant {
    const char* name;
    HANDLE to;          // where the message is sent
    uint32_t code;      // what is sent
    Inbox* arrival;     // where it ends
    unsigned hops;
    std::vector<double> samples;
};

bool RunBlock(Variant& variant, unsigned rounds) {
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, variant.code);
    for (unsigned i = 0; i < rounds; ++i) {
        const double start = NowMicroseconds();
        if (!IPCSendMsg(variant.to, message, sizeof message)) return false;
        if (WaitForSingleObject(variant.arrival->ArrivalEvent(), 10000) != WAIT_OBJECT_0) return false;
        variant.samples.push_back(NowMicroseconds() - start);
    }
    return true;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const unsigned value = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        if (std::strcmp(argv[i], "--rounds") == 0 && value > 0) options.rounds = value;
        if (std::strcmp(argv[i], "--blocks") == 0 && value > 0) options.blocks = value;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    const std::string bareName = "orxbench.gui.hop." + std::to_string(GetCurrentProcessId());
    const std::string relayName = "orxbench.gui.relay." + std::to_string(GetCurrentProcessId());
    Inbox daemon("vpnike"), guiEnd(GuiChannelName()), bare(bareName);
    BareRelay bareRelay(relayName.c_str(), bareName.c_str());
    if (!daemon.ok() || !guiEnd.ok() || !bare.ok() || !bareRelay.ok()) {
        std::fprintf(stderr, "gui_bench: the channels could not be created (is the service running?)\n");
        return 1;
    }
    ChannelDaemon ike;  // counts as running: nothing is launched
    CGui gui;
    PartsOwner owner(ike, gui);
    gui.Attach(&owner);
    if (gui.InitServer() == nullptr) {
        std::fprintf(stderr, "gui_bench: the broker's channels could not be created\n");
        return 1;
    }
    HANDLE toBroker = IPCInitClient("Global\\vpnsrvcfg");
    HANDLE toBare = IPCInitClient(relayName.c_str());

    // This process announces itself as the GUI (no watchdog on itself).
    unsigned char info[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(info, SET_GUI_INFOS);
    const DWORD pid = GetCurrentProcessId();
    std::memcpy(info + 16, &pid, sizeof pid);
    IPCSendMsg(toBroker, info, sizeof info);
    for (int i = 0; i < 500 && gui.Observe().currentSlot == nullptr; ++i) Sleep(10);

    std::vector<Variant> variants = {{"two bare hops (floor)", toBare, VPNCONF_SYSINFOS, &bare, 2, {}},
                                     {"GUI request passed to the daemon", toBroker, VPNCONF_SYSINFOS, &daemon, 2, {}},
                                     {"configuration-panel round trip", toBroker, OPEN_CFGPANEL_REQ, &guiEnd, 2, {}}};
    for (Variant& variant : variants) RunBlock(variant, 20);  // warm-up
    for (Variant& variant : variants) variant.samples.clear();

    std::vector<size_t> order;
    for (unsigned block = 0; block < options.blocks; ++block) {
        for (size_t v = 0; v < variants.size(); ++v) order.push_back(v);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(12345));
    for (size_t v : order) {
        if (!RunBlock(variants[v], options.rounds)) {
            std::fprintf(stderr, "gui_bench: %s lost a message\n", variants[v].name);
            return 1;
        }
    }

    const double floor = Percentile(variants[0].samples, 0.5);
    std::printf("%u blocks of %u messages each, 696 bytes, one process\n\n", options.blocks, options.rounds);
    std::printf("%-36s %5s %10s %10s %14s\n", "What", "hops", "median", "p99", "vs the floor");
    for (const Variant& variant : variants) {
        const double median = Percentile(variant.samples, 0.5);
        std::printf("%-36s %5u %7.0f us %7.0f us %14.2f\n", variant.name, variant.hops, median,
                    Percentile(variant.samples, 0.99), median / floor);
    }
    for (HANDLE channel : {toBroker, toBare}) {
        if (channel != nullptr) IPCUnitialize(channel);
    }
    gui.BeginStop();
    gui.Stop();
    return 0;
}
