#pragma once

#include "app/CommandLine.h"
#include "music/PemSoundsModule.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/MidiFileRecorder.h"
#include "platform/MidiOut.h"
#include "platform/MidiPorts.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace app {

// What --list-midi-outputs prints: one name per line, the built-in synthesizer first.
void printMidiOutputs(platform::MidiPortSystem& ports, std::FILE* out);

struct SessionTiming {
    std::chrono::milliseconds saveEvery{3000};
    std::chrono::milliseconds checkOutputEvery{2000};
};

// What a session is made of besides its options.
struct SessionParts {
    // The system's MIDI output devices, the built-in synthesizer first.
    std::vector<platform::MidiOutFactory> devices{};
    // The ports --midi-out chooses from; the system's when none are given.
    std::shared_ptr<platform::MidiPortSystem> ports{};
    SessionTiming timing{};
    // The recording's times; the monotonic clock when none is given.
    const platform::Clock* clock = nullptr;
    platform::MessageBoxes boxes = platform::messageBox;
    std::chrono::milliseconds openTimeLimit = platform::kDefaultOpenTimeLimit;
};

// A run started with options: owns the system's MIDI output devices as asked (the ones
// given, no sound, or an outside port), the program's link to them, the recording, and where
// problems are told, for the life of this object.
class Session {
public:
    explicit Session(const StartOptions& options, SessionParts parts = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    PemSoundsModule::Link& sound() { return link_; }
    platform::MidiOutRegistry& devices() { return devices_; }

    // Prints a problem at once and shows it in a message box as soon as the application's
    // events flow (at once if they do). Callable from any thread.
    void reportProblem(const QString& text);
    // The application now runs, and until applicationEnding its events flow: the boxes
    // waiting for it are posted to it.
    void applicationStarted();
    void applicationEnding();

    // Completes the recording; returns the exit status: the given one, or 1 when the program
    // would otherwise end well but the recording could not be saved.
    int finish(int status);

    platform::MidiFileRecorder* recorder() { return recorder_.get(); }

private:
    // The devices the options ask for; those of the parts when they ask for none.
    std::vector<platform::MidiOutFactory> chooseDevices(const StartOptions& options,
                                                        SessionParts& parts);
    void post(const QString& text);

    platform::MessageBoxes boxes_;
    std::mutex mutex_;
    bool appAlive_ = false;
    bool appEnded_ = false;
    // As a screensaver or a render nobody answers a box: problems go to stderr only.
    bool showBoxes_ = true;
    std::vector<QString> waiting_;
    // After what it reports to: its devices' threads and the recording's report problems.
    platform::MidiOutRegistry devices_;
    PemSoundsModule::Link link_;
    std::unique_ptr<platform::MidiFileRecorder> recorder_;
};

} // namespace app
