#include "support/TestSupport.h"

#include "effects/EffectTable.h"
#include "music/NotePlayer.h"
#include "music/PemSoundsModule.h"
#include "music/Tunes.h"
#include "platform/AppInfo.h"

#include <QApplication>
#include <QKeyEvent>

#include <cstdlib>
#include <thread>

namespace testing_support {

platform::MessageBoxes CapturedMessageBoxes::show() {
    return [this](const QString& text) {
        titles << platform::applicationTitle();
        texts << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    };
}

RecordedMidi::RecordedMidi(std::optional<std::vector<platform::MidiOutFactory>> given)
    : devices(given ? std::move(*given)
                    : std::vector<platform::MidiOutFactory>{platform::recordingDevice(log_)}),
      link(devices, boxes.show()) {}

OpenRecorder::OpenRecorder() : card(link) {
    int16_t device = 0;
    card.OpenCard(device);
}

OpenRecorder::~OpenRecorder() {
    card.CloseCard();
}

FakeHost::FakeHost(QSize size, platform::RandomSource* random, PemSoundsModule::Link* sound)
    : random_(random ? random : &ownRandom_), surface_(size) {
    state_.Output = sound ? sound : &quiet_;
    PrepareFormState(state_, surface_.ScaleWidth(), surface_.ScaleHeight(), *random_);
    caption_ = VersionCaption();
}

std::vector<EffectTimer> runningTimers(const std::function<bool(EffectTimer)>& running) {
    std::vector<EffectTimer> all;
    for (int t = 0; t < EffectTimerCount; ++t) {
        if (running(EffectTimer(t))) {
            all.push_back(EffectTimer(t));
        }
    }
    return all;
}

void FakeHost::PlayNote() {
    ::PlayNote(state_);
}

QString FakeHost::buttonCaption(EffectButton button) const {
    return QString::fromLatin1(effectDesign(button).caption);
}

void FakeHost::AddTuneToCaption() {
    caption_ = Tunes::AddTuneToCaption(caption_, selectedTune);
}

void FakeHost::setTimerEnabled(EffectTimer timer, bool enabled) {
    timers_[static_cast<std::size_t>(timer)] = enabled;
}

bool FakeHost::timerEnabled(EffectTimer timer) const {
    return timers_[static_cast<std::size_t>(timer)];
}

void FakeHost::Pause(int16_t milliseconds) {
    pauses.push_back(milliseconds);
    if (duringPause) {
        duringPause();
    }
}

std::vector<int> playedNotes(const platform::MidiRecording& log) {
    std::vector<int> notes;
    for (const auto& e : log.events) {
        if (e.kind == platform::MidiEvent::Kind::ShortMessage && (e.status() & 0xF0) == 0x90 &&
            e.data2() > 0) {
            notes.push_back(e.data1());
        }
    }
    return notes;
}

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
    const QString text = modifiers == Qt::NoModifier && key >= Qt::Key_A && key <= Qt::Key_Z
                             ? QString(QChar(key)).toLower()
                             : QString();
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, modifiers, text);
        QApplication::sendEvent(target, &event);
    }
}

namespace {

void setEnv(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

} // namespace

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        old_ = old;
    }
    setEnv(name, value);
}

ScopedEnv::~ScopedEnv() {
    setEnv(name_, old_);
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace testing_support
