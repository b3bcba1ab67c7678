#pragma once

#include "effects/EffectHost.h"

#include <cstdint>

// Moves the colour one step round the edge of the colour wheel; off the edge, or with
// step 0, nothing changes. Levels stay within 0..255.
void TurnColour(int16_t& Red, int16_t& Green, int16_t& Blue, int16_t Step);

// A small ball outlined in the current colour and filled with a random one.
void DrawBall(EffectHost& host, float X, float Y);
// Balls at (X1, Y1) and (X2, Y2) joined by a line in the current colour.
void DrawLine(EffectHost& host);
// A column at X1 about (Y1 + Y2) / 2: the colour darkening to black upwards and
// brightening to white downwards.
void DrawShadedLine(EffectHost& host);

// Steps the two points of Spectral Flood and Einstein Waves by DX1, DY1, DX2, DY2, turning
// a coordinate round (and one step back) once it is beyond an edge and still heading out;
// bounces of the first point choose a new Instrument.
void MoveBouncingPoints(EffectHost& host);

// A uniform position in [0, extent), drawn the way the bouncing Effects place their points.
float RandomPosition(platform::RandomSource& random, float extent);

// A random colour with each component in 63..255 (red, green, blue drawn in that order):
// never dark.
int32_t LightColour(platform::RandomSource& random);

// The start shared by Saturated Rainbow and Meteorites: pen width 6, both points at x = 5,
// at three quarters and one quarter of the height, and the colour pure red.
void StartSweep(EffectHost& host);
