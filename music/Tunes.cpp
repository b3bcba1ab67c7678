#include "music/Tunes.h"

#include "music/NotePlayer.h"

namespace Tunes {

namespace {

void newToneWithRandomInstrument(FormState& s, platform::RandomSource& random) {
    s.Instrument = RandomInstrument(random);
    NewCurrentTone(s);
}

} // namespace

const QStringList& OptionCaptions() {
    static const QStringList captions = {"Chromatic",     "Major",         "Minor",
                                         "Pentatonic",    "Whole Tone",    "Frere Jacques",
                                         "Bobby Shaftoe", "Early Morning", "Toccata"};
    return captions;
}

std::span<const double> NotesForOption(int option) {
    switch (option) {
    case 1:
        return MajorNotes;
    case 2:
        return MinorNotes;
    case 3:
        return PentatonicNotes;
    case 4:
        return WholeToneNotes;
    case 5:
        return FrereJacquesNotes;
    case 6:
        return BobbyShaftoeNotes;
    case 7:
        return EarlyMorningNotes;
    case 8:
        return ToccataNotes;
    default:
        return ChromaticNotes;
    }
}

void LoadFirstTune(FormState& s, platform::RandomSource& random) {
    s.CurrentTune.assign(ChromaticNotes.begin(), ChromaticNotes.end());
    newToneWithRandomInstrument(s, random);
    s.TuneIndex = 0;
}

void LoadTune(FormState& s, int selected, platform::RandomSource& random) {
    if (selected >= 0 && selected < OptionCount) {
        const std::span<const double> notes = NotesForOption(selected);
        s.CurrentTune.assign(notes.begin(), notes.end());
    }
    // The replaced tone may be sounding; a sustaining instrument would drone on.
    EndSoundingTone(s);
    newToneWithRandomInstrument(s, random);
}

QString AddTuneToCaption(const QString& caption, int selected) {
    const QString tune =
        selected >= 0 && selected < OptionCount ? OptionCaptions().at(selected) : QString();
    return caption + QStringLiteral(" to tune ") + tune;
}

} // namespace Tunes
