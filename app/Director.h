#pragma once

#include "app/SceneRules.h"
#include "effects/EffectHost.h"
#include "platform/Random.h"

#include <cstdint>
#include <optional>
#include <vector>

// What the director may do and see: the panel's own controls, and two looks at the picture.
class DirectorControls {
public:
    virtual ~DirectorControls() = default;
    virtual void startEffect(EffectButton button) = 0;
    virtual void chooseTune(int option) = 0;
    virtual void setSpeed(int value) = 0;
    virtual void clearSurface() = 0;
    virtual void freeze() = 0;
    // How many Effect timers run now.
    virtual int runningTimers() const = 0;
    // How much of the surface is drawn on, in percent.
    virtual int coveredPercent() const = 0;
};

// Plays the program by itself: scene after scene of one to a few Effects on a tune at a
// speed, with a short freeze between scenes. Every Effect and every tune comes round before
// any comes again. Its choices come from its own generator, so a seed repeats the show.
class Director {
public:
    // A fixed speed (1 to 400) replaces the drawn one; 0 draws one for each scene.
    Director(DirectorControls& controls, uint64_t seed, int fixedSpeed = 0,
             const SceneRules& rules = DefaultSceneRules);

    // Does what is due at now (milliseconds, never going back) and returns when it next has
    // something to do.
    int64_t step(int64_t now);

    // The scene playing or about to play.
    struct Scene {
        int number = 0;
        int tune = 0;
        int speed = 0;
        int64_t begins = 0;
        int64_t ends = 0;
        std::vector<EffectButton> effects;
    };
    const Scene& scene() const { return scene_; }

    // Timers an Effect's button starts: two for Galactic Satellites, one for the others.
    static int timersOf(EffectButton button);

private:
    enum class Phase { Waiting, Playing, Frozen };
    struct Join {
        int64_t at;
        EffectButton button;
    };

    void beginScene(int64_t now);
    void play(int64_t now);
    void look();
    int64_t nextDue() const;
    int between(int lowest, int highest);
    EffectButton drawEffect();
    int drawTune();

    DirectorControls& controls_;
    const SceneRules rules_;
    const int fixedSpeed_;
    platform::ClockSeededRandom random_;
    Phase phase_ = Phase::Waiting;
    Scene scene_;
    std::vector<Join> joins_; // latest first
    std::optional<int64_t> tuneChangeAt_;
    int64_t freezeEnds_ = 0;
    int64_t nextLook_ = 0;
    std::vector<EffectButton> effectDeck_; // drawn from the back
    std::vector<int> tuneDeck_;
};
