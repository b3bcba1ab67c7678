#pragma once

#include "effects/EffectHost.h"

#include <functional>
#include <vector>

class BlackHoles {
public:
    explicit BlackHoles(EffectHost& host) : host_(host) {}
    void CmdBlackHoles_Click();
    void CircleTimer_Timer();

private:
    EffectHost& host_;
};

// The sine and tangent bands share their variables and steps; only the curve differs.
class CurveBand {
public:
    using CurveFunction = double (*)(double);
    CurveBand(EffectHost& host, EffectButton button, EffectTimer timer, CurveFunction curve)
        : host_(host), button_(button), timer_(timer), curve_(curve) {}
    void Click();
    void Timer();
    void Draw();

private:
    EffectHost& host_;
    EffectButton button_;
    EffectTimer timer_;
    CurveFunction curve_;
    // Per point of the curve, what stays the same from tick to tick until a value it
    // comes from changes: its height before moving and scaling, and its x before moving.
    std::vector<float> heights_;
    std::vector<double> columns_;
    float heightsFrequency_ = 0.0f;
    float heightsSlope_ = 0.0f;
    float heightsOffset_ = 0.0f;
    float columnsWidth_ = 0.0f;
};

class CosmicSines {
public:
    explicit CosmicSines(EffectHost& host);
    void cmdSineWaver_Click() { band_.Click(); }
    void SineTimer_Timer() { band_.Timer(); }

private:
    CurveBand band_;
};

class TrigonometricTrajectories {
public:
    explicit TrigonometricTrajectories(EffectHost& host);
    void cmdTrig_Click() { band_.Click(); }
    void TrigTimer_Timer() { band_.Timer(); }

private:
    CurveBand band_;
};

class SpectralFlood {
public:
    explicit SpectralFlood(EffectHost& host) : host_(host) {}
    void cmdWash_Click();
    void WashTimer_Timer();

private:
    EffectHost& host_;
};

class ExplodingSuns {
public:
    explicit ExplodingSuns(EffectHost& host) : host_(host) {}
    void cmdExplodingSuns_Click();
    void ExplodeTimer_Timer();

private:
    EffectHost& host_;
};

class EinsteinWaves {
public:
    explicit EinsteinWaves(EffectHost& host) : host_(host) {}
    void cmdEinsteinWaves_Click();
    void MyTimer_Timer();

private:
    EffectHost& host_;
};

class GalacticSatellites {
public:
    GalacticSatellites(EffectHost& host, EinsteinWaves& waves, BlackHoles& holes)
        : host_(host), waves_(waves), holes_(holes) {}
    void cmdGalactic_Click();

private:
    EffectHost& host_;
    EinsteinWaves& waves_;
    BlackHoles& holes_;
};

class JaggedMaze {
public:
    explicit JaggedMaze(EffectHost& host) : host_(host) {}
    void cmdJagged_Click();
    void JaggedTimer_Timer();

private:
    EffectHost& host_;
};

class SaturatedRainbow {
public:
    explicit SaturatedRainbow(EffectHost& host) : host_(host) {}
    void cmdRainbow_Click();
    void RainTimer_Timer();

private:
    EffectHost& host_;
};

class Meteorites {
public:
    explicit Meteorites(EffectHost& host) : host_(host) {}
    void cmdShadedRainbow_Click();
    void ShadedRainTimer_Timer();

private:
    EffectHost& host_;
};

// Every Effect, for the window that wires buttons and timers to them.
struct Effects {
    explicit Effects(EffectHost& host)
        : blackHoles(host), cosmicSines(host), trig(host), spectralFlood(host), explodingSuns(host),
          einsteinWaves(host), galactic(host, einsteinWaves, blackHoles), jaggedMaze(host),
          rainbow(host), meteorites(host) {}
    // Starts the Effect of a button, as its click does.
    void click(EffectButton button);
    // One tick of the Effect a timer drives.
    void tick(EffectTimer timer);

    BlackHoles blackHoles;
    CosmicSines cosmicSines;
    TrigonometricTrajectories trig;
    SpectralFlood spectralFlood;
    ExplodingSuns explodingSuns;
    EinsteinWaves einsteinWaves;
    GalacticSatellites galactic;
    JaggedMaze jaggedMaze;
    SaturatedRainbow rainbow;
    Meteorites meteorites;
};
