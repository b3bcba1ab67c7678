#pragma once

#include "app/CommandLine.h"
#include "platform/Clock.h"
#include "platform/MidiFileRecorder.h"
#include "platform/MidiPorts.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <memory>

namespace app {

// What --list-midi-outputs prints: one name per line, the built-in synthesizer first.
void printMidiOutputs(platform::MidiPortSystem& ports, std::FILE* out);

// Prints a problem at once and shows it in a message box as soon as the program's events
// flow (at once if they do). Callable from any thread.
void reportProblem(const QString& text);

struct SessionTiming {
    std::chrono::milliseconds saveEvery{3000};
    std::chrono::milliseconds checkOutputEvery{2000};
};

// A run started with options: the sound device, the message boxes and the recording are
// set up as asked for the life of this object. The recording's times come from the clock
// given, the monotonic clock when none is.
class Session {
public:
    explicit Session(const StartOptions& options,
                     std::shared_ptr<platform::MidiPortSystem> ports = platform::systemMidiPorts(),
                     SessionTiming timing = SessionTiming(),
                     const platform::Clock* clock = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Completes the recording; returns the exit status: the given one, or 1 when the program
    // would otherwise end well but the recording could not be saved.
    int finish(int status);

    platform::MidiFileRecorder* recorder() { return recorder_.get(); }

private:
    std::unique_ptr<platform::MidiFileRecorder> recorder_;
    bool devicesChanged_ = false;
    bool boxesHooked_ = false;
};

} // namespace app
