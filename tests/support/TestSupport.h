#pragma once

#include "doubles/RecordingMidiOut.h"
#include "doubles/ScriptedRandom.h"
#include "effects/EffectHost.h"
#include "music/SoundCard.h"
#include "platform/MessageBox.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// The Effect timers for which running(timer) holds, in EffectTimer order.
std::vector<EffectTimer> runningTimers(const std::function<bool(EffectTimer)>& running);

// Message boxes collected instead of shown: show() is what a link or a session is given.
class CapturedMessageBoxes {
public:
    platform::MessageBoxes show();
    QStringList titles;
    QStringList texts;
};

// The system's MIDI output devices of a test, device 0 a recorder unless others are given,
// and the program's link to them, whose boxes are captured.
class RecordedMidi {
public:
    explicit RecordedMidi(std::optional<std::vector<platform::MidiOutFactory>> devices = {});
    platform::MidiRecording& log() { return *log_; }
    std::shared_ptr<platform::MidiRecording> shared() { return log_; }

private:
    std::shared_ptr<platform::MidiRecording> log_ = std::make_shared<platform::MidiRecording>();

public:
    CapturedMessageBoxes boxes;
    platform::MidiOutRegistry devices;
    PemSoundsModule::Link link;
};

// Device 0 recorded and opened through a SoundCard, as at start-up.
class OpenRecorder : public RecordedMidi {
public:
    OpenRecorder();
    ~OpenRecorder();
    SoundCard card;
};

// A main window without a screen: real state, surface and note player, timers as flags.
class FakeHost : public EffectHost {
public:
    // Its numbers come from a generator of its own, or from the one given, and its notes go
    // nowhere, or through the link given; what is given must outlive it.
    explicit FakeHost(QSize size = QSize(1024, 594), platform::RandomSource* random = nullptr,
                      PemSoundsModule::Link* sound = nullptr);
    void useNumbers(platform::RandomSource& random) { random_ = &random; }

    FormState& state() override { return state_; }
    platform::DrawingSurface& MyPic() override { return surface_; }
    platform::RandomSource& random() override { return *random_; }
    void PlayNote() override;
    QString caption() const override { return caption_; }
    void setCaption(const QString& text) override { caption_ = text; }
    QString buttonCaption(EffectButton button) const override;
    void AddTuneToCaption() override;
    void setTimerEnabled(EffectTimer timer, bool enabled) override;
    bool timerEnabled(EffectTimer timer) const override;
    void Pause(int16_t milliseconds) override;
    bool unloaded() const override { return unloaded_; }

    int selectedTune = 0;
    std::vector<int16_t> pauses;
    bool unloaded_ = false;
    // Runs inside Pause, standing for the events processed while it waits.
    std::function<void()> duringPause;

private:
    platform::MidiOutRegistry noDevices_;
    PemSoundsModule::Link quiet_{noDevices_, {}};
    platform::ClockSeededRandom ownRandom_;
    platform::RandomSource* random_;
    FormState state_;
    platform::DrawingSurface surface_;
    QString caption_;
    std::array<bool, EffectTimerCount> timers_{};
};

// A key pressed and released on target, with the text a keyboard would give a letter.
void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Note numbers of the note-ons with velocity above 0, in order.
std::vector<int> playedNotes(const platform::MidiRecording& log);

// Sets an environment variable, or removes it without a value, for the life of this object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Handles events until the condition holds; false once limit has passed without it.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::seconds(5));

} // namespace testing_support
