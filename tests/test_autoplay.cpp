// The director on the real main window, on a virtual clock: it plays through the panel's own
// controls (the notes go out, the caption names the scene), repeats with its seed, and keeps
// to at most three Effect timers while minutes pass.
#include "app/AutoPlay.h"
#include "platform/VirtualClock.h"
#include "support/LoadedWindow.h"

#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Watched {
    std::vector<QString> captions; // one each virtual second, when it changed
    std::vector<int> speeds;
    int mostTimers = 0;
    std::size_t messages = 0;
};

Watched watch(uint64_t seed, int seconds) {
    testing_support::LoadedWindow w;
    platform::VirtualClock clock;
    AutoPlay autoplay(w.form, seed, 0, AutoPlay::Input::EndsIt, clock);
    autoplay.start();
    Watched seen;
    for (int s = 0; s < seconds; ++s) {
        clock.advanceBy(1000);
        int running = 0;
        for (int t = 0; t < EffectTimerCount; ++t) {
            running += w.form.timerEnabled(static_cast<EffectTimer>(t)) ? 1 : 0;
        }
        seen.mostTimers = std::max(seen.mostTimers, running);
        const QString caption = w.form.panel().caption()->text();
        if (seen.captions.empty() || seen.captions.back() != caption) {
            seen.captions.push_back(caption);
        }
        const int speed = w.form.panel().speedSlider()->value();
        if (seen.speeds.empty() || seen.speeds.back() != speed) {
            seen.speeds.push_back(speed);
        }
    }
    seen.messages = w.midi.log().shortMessages().size();
    EXPECT_TRUE(autoplay.running());
    return seen;
}

TEST(AutoPlay, PlaysThroughThePanelAndRepeatsWithItsSeed) {
    const Watched first = watch(5, 150);
    EXPECT_GT(first.messages, 0u) << "no note went out";
    EXPECT_GE(first.captions.size(), 3u) << "the caption never named a new scene";
    EXPECT_GE(first.speeds.size(), 3u) << "the speed slider never moved";
    EXPECT_GE(first.mostTimers, 1);
    EXPECT_LE(first.mostTimers, DefaultSceneRules.mostTimers);

    const Watched again = watch(5, 150);
    EXPECT_EQ(again.captions, first.captions);
    EXPECT_EQ(again.speeds, first.speeds);
    EXPECT_NE(watch(6, 150).speeds, first.speeds);
}

} // namespace
