#pragma once

#include "effects/EffectHost.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QCommandLineParser;

namespace app {

// A show written to a file instead of played on the screen: its length, picture and scene.
struct RenderOptions {
    QString path;
    double seconds = 0.0;
    QSize size{1280, 720};
    int fps = 30;
    // The Effects to start, in order; none means the director plays.
    std::vector<EffectButton> start;
    // The tune option to choose first, when one is named.
    std::optional<int> tune;
    // Said on standard error as the render starts: an odd size rounded to even.
    QString note;
};

inline constexpr int maxRenderWidth = 7680;
// The show a render plays when no --seed chooses another.
inline constexpr uint64_t defaultRenderSeed = 1;
inline constexpr int maxRenderHeight = 4320;

// The file kinds a render writes, by extension: video with its sound, or the sound alone.
bool renderKindKnown(const QString& path);
bool renderHasPicture(const QString& path);

// Reads --render and what goes with it (--duration, --size, --fps, --start, --tune) into
// render; nothing when --render is not given. A problem comes back as one line naming the
// value.
struct RenderReading {
    std::optional<RenderOptions> render;
    QString problem;
};
RenderReading readRenderOptions(const QCommandLineParser& parser);

} // namespace app
