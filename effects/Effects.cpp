#include "effects/Effects.h"

void Effects::click(EffectButton button) {
    switch (button) {
    case EffectButton::cmdGalactic:
        galactic.cmdGalactic_Click();
        break;
    case EffectButton::cmdEinsteinWaves:
        einsteinWaves.cmdEinsteinWaves_Click();
        break;
    case EffectButton::CmdBlackHoles:
        blackHoles.CmdBlackHoles_Click();
        break;
    case EffectButton::cmdTrig:
        trig.cmdTrig_Click();
        break;
    case EffectButton::cmdJagged:
        jaggedMaze.cmdJagged_Click();
        break;
    case EffectButton::cmdWash:
        spectralFlood.cmdWash_Click();
        break;
    case EffectButton::cmdExplodingSuns:
        explodingSuns.cmdExplodingSuns_Click();
        break;
    case EffectButton::cmdSineWaver:
        cosmicSines.cmdSineWaver_Click();
        break;
    case EffectButton::cmdRainbow:
        rainbow.cmdRainbow_Click();
        break;
    case EffectButton::cmdShadedRainbow:
        meteorites.cmdShadedRainbow_Click();
        break;
    }
}

void Effects::tick(EffectTimer timer) {
    switch (timer) {
    case EffectTimer::MyTimer:
        einsteinWaves.MyTimer_Timer();
        break;
    case EffectTimer::RainTimer:
        rainbow.RainTimer_Timer();
        break;
    case EffectTimer::ShadedRainTimer:
        meteorites.ShadedRainTimer_Timer();
        break;
    case EffectTimer::JaggedTimer:
        jaggedMaze.JaggedTimer_Timer();
        break;
    case EffectTimer::CircleTimer:
        blackHoles.CircleTimer_Timer();
        break;
    case EffectTimer::WashTimer:
        spectralFlood.WashTimer_Timer();
        break;
    case EffectTimer::ExplodeTimer:
        explodingSuns.ExplodeTimer_Timer();
        break;
    case EffectTimer::SineTimer:
        cosmicSines.SineTimer_Timer();
        break;
    case EffectTimer::TrigTimer:
        trig.TrigTimer_Timer();
        break;
    }
}
