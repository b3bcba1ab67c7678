#include "app/Director.h"

#include "effects/EffectTable.h"
#include "music/Tunes.h"

#include <algorithm>

namespace {

template <typename T> void shuffle(std::vector<T>& items, platform::RandomSource& random) {
    for (std::size_t i = items.size(); i > 1; --i) {
        const auto j =
            std::min(i - 1, static_cast<std::size_t>(random.next() * static_cast<float>(i)));
        std::swap(items[i - 1], items[j]);
    }
}

} // namespace

Director::Director(DirectorControls& controls, uint64_t seed, int fixedSpeed,
                   const SceneRules& rules)
    : controls_(controls), rules_(rules), fixedSpeed_(fixedSpeed), random_(seed) {}

int Director::timersOf(EffectButton button) {
    return effectDesign(button).timer ? 1 : 2;
}

int Director::between(int lowest, int highest) {
    const auto span = static_cast<float>(highest - lowest + 1);
    return std::min(highest, lowest + static_cast<int>(random_.next() * span));
}

EffectButton Director::drawEffect() {
    if (effectDeck_.empty()) {
        for (const EffectDesign& design : EffectTable) {
            effectDeck_.push_back(design.button);
        }
        shuffle(effectDeck_, random_);
    }
    const EffectButton button = effectDeck_.back();
    effectDeck_.pop_back();
    return button;
}

int Director::drawTune() {
    if (tuneDeck_.empty()) {
        for (int option = 0; option < Tunes::OptionCount; ++option) {
            tuneDeck_.push_back(option);
        }
        shuffle(tuneDeck_, random_);
    }
    const int option = tuneDeck_.back();
    tuneDeck_.pop_back();
    return option;
}

void Director::beginScene(int64_t now) {
    Scene next;
    next.number = scene_.number + 1;
    next.begins = now;
    next.ends = now + between(rules_.shortestScene, rules_.longestScene);
    next.speed = between(rules_.slowestSpeed, rules_.fastestSpeed);
    if (fixedSpeed_ > 0) {
        next.speed = fixedSpeed_;
    }
    next.tune = drawTune();
    // One to as many Effects as there are timers to spare; an Effect that would run too many
    // goes back on the deck for the next scene.
    const int wanted = between(1, rules_.mostTimers);
    int timers = 0;
    while (static_cast<int>(next.effects.size()) < wanted) {
        const EffectButton button = drawEffect();
        // A deck refilled in the middle of a scene may give an Effect already in it.
        const bool again =
            std::find(next.effects.begin(), next.effects.end(), button) != next.effects.end();
        if (again) {
            effectDeck_.insert(effectDeck_.begin(), button);
            break;
        }
        if (timers + timersOf(button) > rules_.mostTimers) {
            effectDeck_.push_back(button);
            break;
        }
        timers += timersOf(button);
        next.effects.push_back(button);
    }
    scene_ = next;

    controls_.clearSurface();
    controls_.setSpeed(scene_.speed);
    controls_.chooseTune(scene_.tune);
    controls_.startEffect(scene_.effects.front());
    joins_.clear();
    for (std::size_t i = 1; i < scene_.effects.size(); ++i) {
        joins_.push_back({now + between(1, rules_.joinWithin), scene_.effects[i]});
    }
    std::sort(joins_.begin(), joins_.end(),
              [](const Join& a, const Join& b) { return a.at > b.at; });
    tuneChangeAt_.reset();
    if (between(1, 100) <= rules_.tuneChangePercent) {
        const int64_t length = scene_.ends - now;
        tuneChangeAt_ = now + length / 3 + between(0, static_cast<int>(length / 3));
    }
    nextLook_ = now + rules_.lookEvery;
    phase_ = Phase::Playing;
}

void Director::look() {
    if (controls_.coveredPercent() >= rules_.coveredPercent) {
        controls_.clearSurface();
    }
    // Saturated Rainbow and Meteorites end by themselves: another Effect takes over before the
    // music stops for long.
    if (joins_.empty() && controls_.runningTimers() == 0) {
        EffectButton button = drawEffect();
        scene_.effects.push_back(button);
        controls_.startEffect(button);
    }
}

void Director::play(int64_t now) {
    while (!joins_.empty() && joins_.back().at <= now) {
        controls_.startEffect(joins_.back().button);
        joins_.pop_back();
    }
    if (tuneChangeAt_ && *tuneChangeAt_ <= now) {
        tuneChangeAt_.reset();
        scene_.tune = drawTune();
        controls_.chooseTune(scene_.tune);
    }
    if (nextLook_ <= now) {
        look();
        nextLook_ = now + rules_.lookEvery;
    }
}

int64_t Director::nextDue() const {
    if (phase_ == Phase::Frozen) {
        return freezeEnds_;
    }
    int64_t due = std::min(scene_.ends, nextLook_);
    if (!joins_.empty()) {
        due = std::min(due, joins_.back().at);
    }
    if (tuneChangeAt_) {
        due = std::min(due, *tuneChangeAt_);
    }
    return due;
}

int64_t Director::step(int64_t now) {
    switch (phase_) {
    case Phase::Waiting:
        beginScene(now);
        break;
    case Phase::Playing:
        if (now >= scene_.ends) {
            controls_.freeze();
            joins_.clear();
            tuneChangeAt_.reset();
            freezeEnds_ = now + between(rules_.shortestFreeze, rules_.longestFreeze);
            phase_ = Phase::Frozen;
        } else {
            play(now);
        }
        break;
    case Phase::Frozen:
        if (now >= freezeEnds_) {
            beginScene(now);
        }
        break;
    }
    return nextDue();
}
