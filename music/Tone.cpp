#include "music/Tone.h"

#include "music/MIDIConstants.h"
#include "music/PemSoundsModule.h"

#include <cmath>

namespace {

// Other spellings of the black keys, to their canonical names.
QString canonicalSharpFlat(const QString& name) {
    if (name == QLatin1String("Db")) {
        return QStringLiteral("C#");
    }
    if (name == QLatin1String("D#")) {
        return QStringLiteral("Eb");
    }
    if (name == QLatin1String("Gb")) {
        return QStringLiteral("F#");
    }
    if (name == QLatin1String("G#")) {
        return QStringLiteral("Ab");
    }
    if (name == QLatin1String("A#")) {
        return QStringLiteral("Bb");
    }
    return name;
}

int floorDiv(int a, int b) {
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

} // namespace

Tone::Tone(PemSoundsModule::Link& link, QObject* parent) : QObject(parent), link_(link) {}

const QStringList& Tone::NoteNameList() {
    static const QStringList names = {"C",  "C#", "D",  "Eb", "E",  "F",
                                      "F#", "G",  "Ab", "A",  "Bb", "B"};
    return names;
}

int Tone::positionOfName() {
    NoteName_ = canonicalSharpFlat(NoteName_);
    const int position = static_cast<int>(NoteNameList().indexOf(NoteName_));
    return position < 0 ? 0 : position;
}

QString Tone::Pitch() const {
    return NoteName_ + QString::number(Octave_);
}

void Tone::setPitch(const QString& text) {
    const auto length = text.size();
    if (length < 2 || length > 3) {
        emit PitchTooLongOrShort();
        return;
    }
    const QChar letter = text.at(0);
    if (!((letter >= QLatin1Char('A') && letter <= QLatin1Char('G')) ||
          (letter >= QLatin1Char('a') && letter <= QLatin1Char('g')))) {
        emit PitchWrongNoteLetter();
        return;
    }
    const QChar digit = text.at(length - 1);
    if (!(digit >= QLatin1Char('0') && digit <= QLatin1Char('9'))) {
        emit PitchWrongOctave();
        return;
    }
    QString name = letter.toUpper();
    if (length == 3) {
        const QChar accidental = text.at(1);
        if (accidental != QLatin1Char('b') && accidental != QLatin1Char('#')) {
            emit PitchWrongSharpFlat();
            return;
        }
        name += accidental;
    }
    int octave = digit.digitValue();
    if (name == QLatin1String("Fb")) {
        name = QStringLiteral("E");
    } else if (name == QLatin1String("E#")) {
        name = QStringLiteral("F");
    } else if (name == QLatin1String("Cb")) {
        name = QStringLiteral("B");
        --octave;
    } else if (name == QLatin1String("B#")) {
        name = QStringLiteral("C");
        ++octave;
    } else {
        name = canonicalSharpFlat(name);
    }
    const int number = octave * 12 + static_cast<int>(NoteNameList().indexOf(name)) + 12;
    if (number > 127) {
        emit PitchAboveMax();
        return;
    }
    NoteName_ = name;
    Octave_ = static_cast<int16_t>(octave);
    link_.CurrentNoteNumber = number;
    PitchText_ = NoteName_ + QString::number(Octave_);
}

int16_t Tone::Number() {
    return static_cast<int16_t>(Octave_ * 12 + positionOfName() + 12);
}

void Tone::setNumber(int16_t n) {
    const int octave = floorDiv(n, 12) - 1;
    Octave_ = static_cast<int16_t>(octave);
    NoteName_ = NoteNameList().at(n - (octave + 1) * 12);
    PitchText_ = NoteName_ + QString::number(Octave_);
}

int32_t Tone::Start() {
    return PemSoundsModule::TicksFromPosition(Bar_, Beat_, Tick_, BeatsPerBar_, BeatLength_);
}

void Tone::setStart(int32_t ticks) {
    // Without a sensible metre a position cannot be split into bars and beats.
    if (BeatLength_ == 0 || BeatsPerBar_ <= 0 || ticks < 0) {
        return;
    }
    const double perBeat = 480.0 / BeatLength_;
    const double perBar = perBeat * BeatsPerBar_;
    const double bars = std::floor(ticks / perBar);
    const double rest = ticks - bars * perBar;
    const double beats = std::floor(rest / perBeat);
    const double tick = std::nearbyint(rest - beats * perBeat);
    if (bars + 1 > 32767) {
        return;
    }
    Bar_ = static_cast<int16_t>(bars + 1);
    Beat_ = static_cast<int16_t>(beats + 1);
    Tick_ = static_cast<int16_t>(tick);
}

QString Tone::NoteName() const {
    return NoteName_.size() == 1 ? NoteName_ + QLatin1Char(' ') : NoteName_;
}

QString Tone::EnharmonicName() const {
    const bool sharp = EnHarmonic_ == QLatin1String("#");
    const bool flat = EnHarmonic_ == QLatin1String("b");
    const QString octave = QString::number(Octave_);
    if (NoteName_ == QLatin1String("C") && sharp) {
        return QStringLiteral("B#") + QString::number(Octave_ - 1);
    }
    if (NoteName_ == QLatin1String("C#") && flat) {
        return QStringLiteral("Db") + octave;
    }
    if (NoteName_ == QLatin1String("Eb") && sharp) {
        return QStringLiteral("D#") + octave;
    }
    if (NoteName_ == QLatin1String("E") && flat) {
        return QStringLiteral("Fb") + octave;
    }
    if (NoteName_ == QLatin1String("F") && sharp) {
        return QStringLiteral("E#") + octave;
    }
    if (NoteName_ == QLatin1String("F#") && flat) {
        return QStringLiteral("Gb") + octave;
    }
    if (NoteName_ == QLatin1String("Ab") && sharp) {
        return QStringLiteral("G#") + octave;
    }
    if (NoteName_ == QLatin1String("Bb") && sharp) {
        return QStringLiteral("A#") + octave;
    }
    if (NoteName_ == QLatin1String("B") && flat) {
        return QStringLiteral("Cb") + QString::number(Octave_ + 1);
    }
    return PitchText_;
}

void Tone::Play() {
    if (EventType_ == MIDIConstants::ExpressionEvent) {
        uint8_t controller = MIDIConstants::ExpressionController;
        int32_t channel = Channel_;
        int32_t value = Volume_;
        PemSoundsModule::SendControlChange(link_, controller, channel, value);
        return;
    }
    link_.CurrentNoteNumber = Octave_ * 12 + positionOfName() + 12;
    link_.CurrentChannel = Channel_;
    int32_t program = instrument_;
    int32_t velocity = Volume_;
    PemSoundsModule::SendProgramChange(link_, program, link_.CurrentChannel);
    PemSoundsModule::SendNoteOn(link_, link_.CurrentNoteNumber, link_.CurrentChannel, velocity);
}
