#pragma once

#include "app/RenderOptions.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace app {

// How this run was asked to start. Everything unset means the usual start.
struct StartOptions {
    std::optional<uint64_t> seed;
    // Set when a normal window of this size replaces the full-screen one.
    std::optional<QSize> windowSize;
    bool mute = false;
    QString midiOut;    // empty: the built-in synthesizer
    QString recordFile; // empty: no recording
    bool autoplay = false;
    // With the autoplay: every scene at this speed (1 to 400) instead of a drawn one.
    std::optional<int> speed;
    // Drawing into a window given by a screensaver (or the root window) instead of a window
    // of its own; silent unless sound is asked for.
    struct Screensaver {
        bool root = false;     // -root: $XSCREENSAVER_WINDOW, or else the root window
        uint32_t windowId = 0; // -window-id ID
    };
    std::optional<Screensaver> screensaver;
    bool sound = false;
    // Written to a file offline instead of shown: no window, no sound device.
    std::optional<RenderOptions> render;
};

struct CommandLine {
    enum class Action { Start, ListMidiOutputs, Exit };
    Action action = Action::Start;
    int exitStatus = 0; // for Exit
    QString out;        // for Exit: what to print on standard output
    QString err;        // for Exit: what to print on standard error
    StartOptions options;
};

inline constexpr int usageExitStatus = 2;
inline const QSize defaultWindowedSize(1024, 768);
inline const QSize smallestWindowedSize(320, 240);

// Reads the arguments, program name first. Needs no application object.
CommandLine parseCommandLine(const QStringList& arguments);

// An X11 window id as a screensaver gives it, decimal or 0x hex; nothing when it is not one.
std::optional<uint32_t> readWindowId(const QString& text);

// "Usage: zelphor [options]" and the options, as --help prints them.
QString helpText(const QString& program);

} // namespace app
