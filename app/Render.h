#pragma once

#include "app/CommandLine.h"
#include "platform/MessageBox.h"
#include "platform/MidiOut.h"
#include "platform/VirtualClock.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

namespace app {

// The one sample rate of a render: the rate every sound encoder takes.
inline constexpr int renderSampleRate = 48000;

// Where a render's pictures and sound go, in time order. False and a reason stop the render.
class RenderTarget {
public:
    virtual ~RenderTarget() = default;
    // Picture k of the show, at k / fps seconds; only for kinds that have pictures.
    virtual bool picture(const QImage& frame, QString* problem) = 0;
    // The next frames of stereo sound at the render's sample rate.
    virtual bool sound(const float* left, const float* right, int frames, QString* problem) = 0;
};

// The synthesizer a render plays its notes on: it makes sound only when told to.
struct RenderSynthesizer {
    platform::MidiOutDevice& device;
    std::function<void(float* left, float* right, int frames)> render;
};

// The length of a render in whole units: pictures, samples and nanoseconds.
struct RenderLength {
    uint64_t nanoseconds = 0;
    uint64_t frames = 0;
    uint64_t samples = 0;
};
RenderLength renderLength(double seconds, int fps);
// When picture k is taken, in nanoseconds: the first moment at or after k / fps seconds.
uint64_t frameTime(uint64_t k, int fps);

struct RenderOutcome {
    uint64_t frames = 0;  // pictures given to the target
    uint64_t samples = 0; // sound frames given to the target
    bool stopped = false; // asked to stop before the end
    QString problem;      // the target's reason, when it failed
};

// Called after each picture time with the show's time reached, in nanoseconds.
using RenderProgress = std::function<void(uint64_t reached)>;

// Where a render's MIDI goes besides the synthesizer, and how its problems are told.
struct RenderSinks {
    platform::MidiOutDevice* recording = nullptr; // every message and reset too; not owned
    platform::MessageBoxes problems;
};

// Plays the show on the main window built on clock, loaded unshown at the render's size with
// the synthesizer as device 0, and gives the target every picture and all the sound, each
// note at the sample of its time. Runs on the application's thread; stop is read at each
// picture time.
RenderOutcome renderShow(const StartOptions& options, platform::VirtualClock& clock,
                         const RenderSynthesizer& synth, RenderTarget& target,
                         const std::atomic<bool>* stop = nullptr, RenderProgress progress = {},
                         const RenderSinks& sinks = {});

} // namespace app
