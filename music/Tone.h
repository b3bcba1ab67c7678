#pragma once

#include "music/PemSoundsModule.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

// One musical event: a note with pitch, loudness, instrument and channel, or an
// expression change when EventType is 11. Sounds through the link given, which outlives it.
class Tone : public QObject {
    Q_OBJECT
public:
    explicit Tone(PemSoundsModule::Link& link, QObject* parent = nullptr);

    int16_t BeatsPerBar() const { return BeatsPerBar_; }
    void setBeatsPerBar(int16_t v) { BeatsPerBar_ = v; }
    uint8_t Channel() const { return Channel_; }
    void setChannel(uint8_t v) { Channel_ = v; }
    int32_t AbsRef() const { return AbsRef_; }
    void setAbsRef(int32_t v) { AbsRef_ = v; }
    uint8_t Track() const { return Track_; }
    void setTrack(uint8_t v) { Track_ = v; }
    int16_t Bar() const { return Bar_; }
    void setBar(int16_t v) { Bar_ = v; }
    int16_t Beat() const { return Beat_; }
    void setBeat(int16_t v) { Beat_ = v; }
    int16_t Tick() const { return Tick_; }
    void setTick(int16_t v) { Tick_ = v; }
    double Duration() const { return Duration_; }
    void setDuration(double v) { Duration_ = v; }
    uint8_t instrument() const { return instrument_; }
    void setInstrument(uint8_t v) { instrument_ = v; }
    uint8_t Status() const { return Status_; }
    void setStatus(uint8_t v) { Status_ = v; }
    uint8_t Volume() const { return Volume_; }
    void setVolume(uint8_t v) { Volume_ = v; }
    int32_t OldVolume() const { return OldVolume_; }
    void setOldVolume(int32_t v) { OldVolume_ = v; }
    QString EnHarmonic() const { return EnHarmonic_; }
    void setEnHarmonic(const QString& v) { EnHarmonic_ = v; }
    uint8_t EventType() const { return EventType_; }
    void setEventType(uint8_t v) { EventType_ = v; }
    uint8_t BeatLength() const { return BeatLength_; }
    void setBeatLength(uint8_t v) { BeatLength_ = v; }
    int16_t Octave() const { return Octave_; }
    QString PitchText() const { return PitchText_; }

    // Pitch text such as C4, c#4 or Bb3. A bad text emits one of the five signals
    // and changes nothing.
    QString Pitch() const;
    void setPitch(const QString& text);
    // MIDI note number; 60 is C4.
    int16_t Number();
    void setNumber(int16_t n);
    int32_t Start();
    void setStart(int32_t ticks);
    // The name, a one-letter name followed by a space.
    QString NoteName() const;
    QString EnharmonicName() const;
    // Sends a program change and a note-on, or the expression change.
    void Play();

    static const QStringList& NoteNameList();

signals:
    void PitchTooLongOrShort();
    void PitchWrongNoteLetter();
    void PitchWrongOctave();
    void PitchWrongSharpFlat();
    void PitchAboveMax();

private:
    int positionOfName(); // canonical spelling first, then its place in NoteNameList

    PemSoundsModule::Link& link_;
    uint8_t EventType_ = 128;
    QString PitchText_ = QStringLiteral("C4");
    uint8_t Volume_ = 127;
    uint8_t instrument_ = 0;
    double Duration_ = 1.0;
    int16_t Bar_ = 1;
    int16_t Beat_ = 1;
    int16_t Tick_ = 0;
    uint8_t Status_ = 1;
    int32_t OldVolume_ = 127;
    QString EnHarmonic_ = QStringLiteral(" ");
    QString NoteName_ = QStringLiteral("C");
    int16_t Octave_ = 4;
    uint8_t Track_ = 1;
    int32_t AbsRef_ = 0;
    uint8_t Channel_ = 1;
    int16_t BeatsPerBar_ = 4;
    uint8_t BeatLength_ = 4;
};
