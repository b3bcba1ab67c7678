#pragma once

#include "platform/Clock.h"
#include "platform/MidiMessages.h"
#include "platform/MidiOut.h"
#include "platform/StandardMidiFile.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// Records every message it is given, with its time, to a Standard MIDI File. The caller's
// thread only reads the clock and appends to a buffer; a thread of its own saves the file
// every few seconds, and finish() saves it a last time. Each save writes a temporary file
// beside the target and renames it into place, so the target is always a whole file.
class MidiFileRecorder final : public MidiOutDevice {
public:
    // Told, on the saving thread, why a save failed; again only after a save succeeded, and
    // always for the last save.
    using FailureReport = std::function<void(const QString& reason)>;

    // Times come from the clock given (read on the caller's thread), the monotonic clock
    // otherwise.
    MidiFileRecorder(QString path, std::chrono::milliseconds saveEvery,
                     FailureReport onFailure = {}, const Clock* clock = nullptr);
    ~MidiFileRecorder() override;

    // Why the target cannot be written, or empty if it can; writes nothing there.
    QString checkTarget() const;
    // Starts the periodic saves.
    void start();

    void shortMessage(uint32_t message) override;
    void reset() override;

    // Stops the periodic saves and saves everything recorded. Later messages are dropped.
    // Destroying a started recorder finishes it.
    // Returns whether the file is complete; the reason is reported as well.
    bool finish();

    const QString& path() const { return path_; }
    // Saves so far that succeeded, including the last.
    int saves() const;

private:
    struct Entry {
        uint64_t nanoseconds;
        uint32_t message;
        bool reset;
    };

    void saveLoop();
    // Takes what was recorded since the last save and writes the whole file.
    bool save();
    void encode(const Entry& e);
    uint64_t now() const;

    const QString path_;
    const std::chrono::milliseconds saveEvery_;
    const FailureReport onFailure_;
    const Clock* const clock_;
    const uint64_t origin_;

    mutable std::mutex mutex_;
    std::vector<Entry> pending_;
    bool finished_ = false;
    bool finishedWell_ = false;
    bool stopping_ = false;
    std::condition_variable wake_;
    std::thread saver_;

    // Only the saving thread (or finish, after it has stopped) touches these.
    mutable std::mutex saveMutex_;
    std::vector<Entry> taken_;
    smf::TrackWriter track_;
    midi::SoundingNotes sounding_;
    bool failing_ = false;
    int saves_ = 0;
};

} // namespace platform
