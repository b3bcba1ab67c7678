#include "app/Director.h"
#include "effects/EffectTable.h"
#include "music/Tunes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The panel as the director sees it: Effects run until a freeze, but for the two that end by
// themselves at the right edge; the picture fills up while anything runs.
class SimulatedPanel final : public DirectorControls {
public:
    static constexpr int64_t edgeReachedAfter = 9000;

    void at(int64_t now) {
        for (auto it = stopsAt_.begin(); it != stopsAt_.end();) {
            it = it->second <= now ? stopsAt_.erase(it) : std::next(it);
        }
        const int64_t since = now - now_;
        covered_ = std::min<int64_t>(100, covered_ + since * runningTimers() / 300);
        now_ = now;
    }

    void startEffect(EffectButton button) override {
        log("start " + std::to_string(int(button)));
        frozen_ = false;
        started.insert(button);
        const EffectDesign& design = effectDesign(button);
        if (!design.timer) {
            run(EffectTimer::MyTimer, false);
            run(EffectTimer::CircleTimer, false);
            return;
        }
        const bool ends =
            button == EffectButton::cmdRainbow || button == EffectButton::cmdShadedRainbow;
        run(*design.timer, ends);
    }
    void chooseTune(int option) override {
        log("tune " + std::to_string(option));
        tunes.insert(option);
    }
    void setSpeed(int value) override {
        log("speed " + std::to_string(value));
        speeds.push_back(value);
    }
    void clearSurface() override {
        log("clear");
        covered_ = 0;
    }
    void freeze() override {
        log("freeze");
        stopsAt_.clear();
        frozen_ = true;
    }
    int runningTimers() const override { return static_cast<int>(stopsAt_.size()); }
    int coveredPercent() const override { return static_cast<int>(covered_); }

    bool frozen() const { return frozen_; }

    std::vector<std::string> actions;
    std::set<EffectButton> started;
    std::set<int> tunes;
    std::vector<int> speeds;

private:
    void run(EffectTimer timer, bool ends) {
        stopsAt_[timer] = ends ? now_ + edgeReachedAfter : INT64_MAX;
    }
    void log(const std::string& what) { actions.push_back(std::to_string(now_) + " " + what); }

    std::map<EffectTimer, int64_t> stopsAt_;
    int64_t now_ = 0;
    int64_t covered_ = 0;
    bool frozen_ = false;
};

struct Show {
    SimulatedPanel panel;
    int mostTimers = 0;
    int64_t longestSilence = 0;
    int64_t longestCovered = 0;
    std::vector<int64_t> sceneLengths;
};

// Thirty minutes on a clock that moves in tenths of a second.
void play(Show& show, uint64_t seed, int64_t minutes = 30) {
    Director director(show.panel, seed);
    int64_t due = 0;
    int64_t silentSince = 0;
    int64_t coveredSince = 0;
    int lastScene = 0;
    for (int64_t now = 0; now <= minutes * 60000; now += 100) {
        show.panel.at(now);
        if (now >= due) {
            due = director.step(now);
            ASSERT_GT(due, now);
        }
        const Director::Scene& scene = director.scene();
        if (scene.number != lastScene) {
            lastScene = scene.number;
            show.sceneLengths.push_back(scene.ends - scene.begins);
        }
        SimulatedPanel& p = show.panel;
        show.mostTimers = std::max(show.mostTimers, p.runningTimers());
        if (p.runningTimers() > 0 || p.frozen()) {
            silentSince = now;
        }
        show.longestSilence = std::max(show.longestSilence, now - silentSince);
        if (p.coveredPercent() < 100) {
            coveredSince = now;
        }
        show.longestCovered = std::max(show.longestCovered, now - coveredSince);
    }
}

class DirectorRules : public testing::TestWithParam<uint64_t> {};

TEST_P(DirectorRules, KeepsAGoodShowForHalfAnHour) {
    Show show;
    play(show, GetParam());
    const SceneRules& rules = DefaultSceneRules;
    EXPECT_LE(show.mostTimers, rules.mostTimers);
    EXPECT_GE(show.mostTimers, 1);
    EXPECT_LT(show.longestSilence, 5000);
    EXPECT_LT(show.longestCovered, 30000);
    EXPECT_EQ(show.panel.started.size(), EffectTable.size());
    EXPECT_EQ(show.panel.tunes.size(), std::size_t(Tunes::OptionCount));
    ASSERT_GE(show.sceneLengths.size(), 20u);
    for (int64_t length : show.sceneLengths) {
        EXPECT_GE(length, rules.shortestScene);
        EXPECT_LE(length, rules.longestScene);
    }
    for (int speed : show.panel.speeds) {
        EXPECT_GE(speed, rules.slowestSpeed);
        EXPECT_LE(speed, rules.fastestSpeed);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, DirectorRules, testing::Values(1, 7, 42, 20261207, 0xFFFFFFFF));

TEST(Director, TheSameSeedRepeatsTheShowAndAnotherChangesIt) {
    Show first, again, other;
    play(first, 7, 10);
    play(again, 7, 10);
    play(other, 8, 10);
    EXPECT_EQ(first.panel.actions, again.panel.actions);
    EXPECT_NE(first.panel.actions, other.panel.actions);
}

} // namespace
