#pragma once

#include "music/Tone.h"
#include "platform/Random.h"

#include <cstdint>
#include <memory>
#include <vector>

// A scale or tune: note numbers in playing order.
using NoteList = std::vector<double>;

// The main window's form-level variables, shared by the Effects and the music.
// A plain object, so the logic that uses it runs without a screen.
struct FormState {
    float X1 = 0.0f;
    float X2 = 0.0f;
    float Y1 = 0.0f;
    float Y2 = 0.0f;
    float CurveSlope = 0.0f;
    float DX1 = 0.0f;
    float DY1 = 0.0f;
    float DX2 = 0.0f;
    float DY2 = 0.0f;
    float CurveDriftX = 0.0f;
    float CurveDriftY = 0.0f;
    int16_t RedLevel = 0;
    int16_t GreenLevel = 0;
    int16_t BlueLevel = 0;
    int32_t PenColour = 0;
    float Radius = 0.0f;
    int16_t Instrument = 0;
    std::unique_ptr<Tone> CurrentTone;
    NoteList CurrentTune;
    std::unique_ptr<Tone> VolumeTone;
    float CurveFrequency = 0.0f;
    int16_t TuneIndex = 0;
    // Where its tones sound: set by its owner before the first tone is made; outlives it.
    PemSoundsModule::Link* Output = nullptr;
};

// What the main window's load sets from the surface size: the steps, pure red, the first
// tune and its tone, whose instrument is drawn from the random numbers.
void PrepareFormState(FormState& s, float width, float height, platform::RandomSource& random);
