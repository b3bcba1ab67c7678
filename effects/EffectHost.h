#pragma once

#include "music/FormState.h"
#include "platform/DrawingSurface.h"
#include "platform/Random.h"

#include <QString>

#include <cstdint>

// The nine Effect timers, in the order Freeze disables them.
enum class EffectTimer {
    MyTimer,
    RainTimer,
    ShadedRainTimer,
    JaggedTimer,
    CircleTimer,
    WashTimer,
    ExplodeTimer,
    SineTimer,
    TrigTimer
};
inline constexpr int EffectTimerCount = 9;

// The ten effect buttons, left to right.
enum class EffectButton {
    cmdGalactic,
    cmdEinsteinWaves,
    CmdBlackHoles,
    cmdTrig,
    cmdJagged,
    cmdWash,
    cmdExplodingSuns,
    cmdSineWaver,
    cmdRainbow,
    cmdShadedRainbow
};
inline constexpr int EffectButtonCount = 10;

// What an Effect may use of the main window: the shared variables, the surface, the
// random numbers, the note player, the caption line, its timer and the pause.
class EffectHost {
public:
    virtual ~EffectHost() = default;

    virtual FormState& state() = 0;
    virtual platform::DrawingSurface& MyPic() = 0;
    // The program's random numbers, and its Rnd and Randomize on them.
    virtual platform::RandomSource& random() = 0;
    float Rnd() { return platform::Rnd(random()); }
    void Randomize() { platform::Randomize(random()); }
    virtual void PlayNote() = 0;

    // The caption line and the button captions as they are now.
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& text) = 0;
    virtual QString buttonCaption(EffectButton button) const = 0;
    // Appends " to tune " and the selected tune's caption.
    virtual void AddTuneToCaption() = 0;

    virtual void setTimerEnabled(EffectTimer timer, bool enabled) = 0;
    virtual bool timerEnabled(EffectTimer timer) const = 0;

    virtual void Pause(int16_t milliseconds) = 0;
    // True once the window has been unloaded; handlers resumed after a pause stop there.
    virtual bool unloaded() const = 0;
};

// How every activation begins: the caption names the Effect, then the tune.
void ShowEffectCaption(EffectHost& host, EffectButton button);
// "Zelphor Version 1.0 Rev 24", built from the version numbers.
QString VersionCaption();
