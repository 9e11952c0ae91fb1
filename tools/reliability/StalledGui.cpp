// A GUI that stops reading: its callback holds a message, so its mailbox
// stays full. Every way a message reaches the GUI (a relay on
// "Global\vpn2vpn", the answer to its own request on "Global\vpnsrvcfg", a
// daemon notification on the daemon's channel) must give up after the 2 s
// send time-out and free the channel it came on; once the GUI reads again
// each channel serves; and a stop with the GUI hung again completes within
// the service's 15 s hint.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/ClientChannel.h"
#include "tests/support/Clock.h"
#include "tests/support/DaemonEnd.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/MailboxWatch.h"
#include "tests/support/Stats.h"
#include "tools/reliability/RunFiles.h"

#include <algorithm>
#include <cstring>

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "stalled GUI";
constexpr DWORD kHoldTimeoutMs = 5000;
constexpr DWORD kFreedTimeoutMs = 10000;
constexpr DWORD kServedTimeoutMs = 5000;
// A send gives up after 2000 ms, counted here from before the message that
// starts it is sent; the handler's own work and the scheduling of a loaded
// 2-core machine come on top.
constexpr double kGiveUpLowMs = 1900;
constexpr double kGiveUpHighMs = 3000;
constexpr double kNeverMs = 1e12;

// One way into the GUI: the channel a message enters the service on, and
// what the GUI receives for it.
struct Way {
    std::string channel;
    uint32_t sent;
    uint32_t answered;
};

std::vector<Way> WaysToTheGui() {
    return {{"Global\\vpn2vpn", ORXIKE_SA_DEL, ORXIKE_SA_DEL},
            {"Global\\vpnsrvcfg", OPEN_CFGPANEL_REQ, CFGPANEL_PWD_RESP},
            {ServiceIkeChannelName(), ORXIKE_SA_ADD, ORXIKE_SA_ADD}};
}

// The GUI's mailbox filled by a relay the GUI then holds.
bool HangGui(GuiEnd& gui) {
    gui.inbox().StopReading();
    return ClientChannel("Global\\vpn2vpn").SendEmpty(ORXIKE_SA_DEL) && gui.inbox().WaitHolding(kHoldTimeoutMs);
}

bool InTime(double ms) { return ms >= kGiveUpLowMs && ms <= kGiveUpHighMs; }

// Each send into a hung GUI: how long the way's channel stayed taken. A
// send that was never placed or whose channel was never freed counts as
// taking for ever.
std::vector<double> MeasureGiveUps(const Way& way, unsigned sends) {
    ClientChannel client(way.channel);
    MailboxWatch watch(way.channel);
    std::vector<double> giveUpMs;
    for (unsigned i = 0; i < sends; ++i) {
        const double start = NowMs();
        const bool freed = client.SendEmpty(way.sent) && watch.WaitFreed(kFreedTimeoutMs);
        giveUpMs.push_back(freed ? NowMs() - start : kNeverMs);
    }
    return giveUpMs;
}

double LongestPlaced(const std::vector<double>& giveUpMs) {
    double longest = 0;
    for (double ms : giveUpMs) {
        if (ms != kNeverMs) longest = std::max(longest, ms);
    }
    return longest;
}

// The samples of a way that did not give up in time, for the figure.
std::string Outliers(const Way& way, const std::vector<double>& giveUpMs) {
    std::string text;
    for (double ms : giveUpMs) {
        if (!InTime(ms)) text += " " + (ms == kNeverMs ? std::string("never") : Duration(ms));
    }
    return text.empty() ? text : "; " + way.channel + ":" + text;
}

bool Served(GuiEnd& gui, const Way& way) {
    Received answer;
    return ClientChannel(way.channel).SendEmpty(way.sent) && gui.inbox().Expect(way.answered, answer, kServedTimeoutMs);
}

}  // namespace

Figure RunStalledGui(unsigned sendsPerWay) {
    RunningService service;
    if (!service.ok()) return Broken(kLabel, service.WhyNotStarted());
    GuiEnd gui;
    Received answer;
    // The stand-in answers VPNCONF_STARTED; its answer must not be the
    // message the hung GUI holds.
    if (!gui.ok() || !gui.Announce() || !gui.StartDaemon(kLaunchTimeoutMs) ||
        !gui.inbox().Expect(ORXIKE_CONFIG_OK, answer, kServedTimeoutMs)) {
        return Broken(kLabel, "the daemon did not reach ready");
    }
    if (!HangGui(gui)) return Broken(kLabel, "the GUI's mailbox could not be filled");
    const std::vector<Way> ways = WaysToTheGui();
    std::vector<double> giveUpMs;
    std::string outliers;
    for (const Way& way : ways) {
        const std::vector<double> samples = MeasureGiveUps(way, sendsPerWay);
        outliers += Outliers(way, samples);
        giveUpMs.insert(giveUpMs.end(), samples.begin(), samples.end());
    }
    const auto inTime = static_cast<unsigned>(std::count_if(giveUpMs.begin(), giveUpMs.end(), InTime));

    gui.inbox().ResumeReading();
    gui.inbox().Forget();
    unsigned served = 0;
    for (const Way& way : ways) served += Served(gui, way);

    if (!HangGui(gui)) return Broken(kLabel, "the GUI's mailbox could not be filled for the stop");
    const StopTimes stop = service.Stop();
    gui.inbox().ResumeReading();

    const unsigned sends = sendsPerWay * static_cast<unsigned>(ways.size());
    const bool holds = inTime == sends && served == ways.size() && StoppedWithinHint(stop);
    return {kLabel,
            OutOf(inTime, sends) + " sends gave up after 2 s (median " + Duration(Median(giveUpMs)) + ", max " +
                Duration(LongestPlaced(giveUpMs)) + outliers +
                "), " + OutOf(served, ways.size()) + " ways served after, " + StopText(stop),
            holds};
}

}  // namespace reliability
