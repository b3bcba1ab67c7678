#include "effects/EffectTable.h"

#include "effects/Effects.h"

#include <algorithm>

using B = EffectButton;
using T = EffectTimer;

constexpr std::array<EffectDesign, EffectButtonCount> EffectTable = {{
    {B::cmdGalactic, "Galactic Satellites", 120, std::nullopt, 0, 0, false,
     [](Effects& e) { e.galactic.cmdGalactic_Click(); }, nullptr},
    {B::cmdEinsteinWaves, "Einstein Waves", 1320, T::MyTimer, 50, 1000, true,
     [](Effects& e) { e.einsteinWaves.cmdEinsteinWaves_Click(); },
     [](Effects& e) { e.einsteinWaves.MyTimer_Timer(); }},
    {B::CmdBlackHoles, "Black Holes", 2520, T::CircleTimer, 30, 1000, true,
     [](Effects& e) { e.blackHoles.CmdBlackHoles_Click(); },
     [](Effects& e) { e.blackHoles.CircleTimer_Timer(); }},
    {B::cmdTrig, "Trigonemtric Tracejtories", 3720, T::TrigTimer, 10, 2000, false,
     [](Effects& e) { e.trig.cmdTrig_Click(); }, [](Effects& e) { e.trig.TrigTimer_Timer(); }},
    {B::cmdJagged, "Jagged Maze", 4920, T::JaggedTimer, 5, 1000, true,
     [](Effects& e) { e.jaggedMaze.cmdJagged_Click(); },
     [](Effects& e) { e.jaggedMaze.JaggedTimer_Timer(); }},
    {B::cmdWash, "Spectral Flood", 6120, T::WashTimer, 5, 1000, true,
     [](Effects& e) { e.spectralFlood.cmdWash_Click(); },
     [](Effects& e) { e.spectralFlood.WashTimer_Timer(); }},
    {B::cmdExplodingSuns, "Exploding Suns", 7320, T::ExplodeTimer, 10, 1000, false,
     [](Effects& e) { e.explodingSuns.cmdExplodingSuns_Click(); },
     [](Effects& e) { e.explodingSuns.ExplodeTimer_Timer(); }},
    {B::cmdSineWaver, "Cosmic Sines", 8520, T::SineTimer, 5, 2000, false,
     [](Effects& e) { e.cosmicSines.cmdSineWaver_Click(); },
     [](Effects& e) { e.cosmicSines.SineTimer_Timer(); }},
    {B::cmdRainbow, "Saturated Rainbow", 9720, T::RainTimer, 10, 1000, true,
     [](Effects& e) { e.rainbow.cmdRainbow_Click(); },
     [](Effects& e) { e.rainbow.RainTimer_Timer(); }},
    {B::cmdShadedRainbow, "Meteorites", 10920, T::ShadedRainTimer, 20, 1000, true,
     [](Effects& e) { e.meteorites.cmdShadedRainbow_Click(); },
     [](Effects& e) { e.meteorites.ShadedRainTimer_Timer(); }},
}};

namespace {

// Every button and every timer has exactly one row, so the lookups below always find one.
constexpr bool oneRowEach() {
    for (int i = 0; i < EffectButtonCount; ++i) {
        if (std::count_if(EffectTable.begin(), EffectTable.end(), [i](const EffectDesign& d) {
                return d.button == static_cast<EffectButton>(i);
            }) != 1) {
            return false;
        }
    }
    for (int i = 0; i < EffectTimerCount; ++i) {
        if (std::count_if(EffectTable.begin(), EffectTable.end(), [i](const EffectDesign& d) {
                return d.timer == static_cast<EffectTimer>(i);
            }) != 1) {
            return false;
        }
    }
    return true;
}
static_assert(oneRowEach(), "every Effect button and timer needs exactly one row");

} // namespace

const EffectDesign& effectDesign(EffectButton button) {
    return *std::find_if(EffectTable.begin(), EffectTable.end(),
                         [button](const EffectDesign& d) { return d.button == button; });
}

const EffectDesign& effectDesign(EffectTimer timer) {
    return *std::find_if(EffectTable.begin(), EffectTable.end(),
                         [timer](const EffectDesign& d) { return d.timer == timer; });
}
