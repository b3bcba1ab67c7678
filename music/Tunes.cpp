#include "music/Tunes.h"

#include "music/NotePlayer.h"

namespace Tunes {

namespace {

const char* const FrereJacquesText = "60 62 64 60 60 62 64 60 64 65 67 67 64 65 67 67 67 69 67 65 "
                                     "64 60 67 69 67 65 64 60 60 55 60 60 60 55 60";
const char* const BobbyShaftoeText = "60 60 60 65 64 67 64 60 55 55 55 60 59 62 59 55 60 60 60 65 "
                                     "64 67 64 60 62 65 62 59 60 60 60 60";
const char* const MajorText = "60 62 64 65 67 69 71 72 74 76 77 79 81 83 84 86 88 89 91 93 95 96";
const char* const MinorText = "60 62 63 65 67 68 71 72 74 75 77 79 80 83 84 86 87 89 91 92 95 96";
const char* const EarlyMorningText = "60 60 60 60 60 64 67 67 69 65 62 60 59 62 55 55 60 60 60 60 "
                                     "60 64 67 67 69 65 62 59 60 60 60 60";
const char* const ToccataText = "69 64 73 69 71 64 74 71 73 69 76 73 71 76 68 71 69 64 73 69 71 "
                                "64 74 71 73 69 76 73 71 76 68 71";
const char* const PentatonicText = "60 62 64 67 69 72 74 76 79 81 84 86 88 91 93 96";

NoteList split(const char* text) {
    NoteList notes;
    for (const QString& part : QString::fromLatin1(text).split(QLatin1Char(' '))) {
        notes.push_back(part.toDouble());
    }
    return notes;
}

void newToneWithRandomInstrument(FormState& s) {
    s.Instrument = RandomInstrument();
    NewCurrentTone(s);
}

// The list behind an option index (0..8).
const NoteList& ListForOption(const FormState& s, int option) {
    switch (option) {
    case 1:
        return s.MajorNotes;
    case 2:
        return s.MinorNotes;
    case 3:
        return s.PentatonicNotes;
    case 4:
        return s.WholeToneNotes;
    case 5:
        return s.FrereJacquesNotes;
    case 6:
        return s.BobbyShaftoeNotes;
    case 7:
        return s.EarlyMorningNotes;
    case 8:
        return s.ToccataNotes;
    default:
        return s.ChromaticNotes;
    }
}

} // namespace

const QStringList& OptionCaptions() {
    static const QStringList captions = {"Chromatic",     "Major",         "Minor",
                                         "Pentatonic",    "Whole Tone",    "Frere Jacques",
                                         "Bobby Shaftoe", "Early Morning", "Toccata"};
    return captions;
}

void BuildNoteLists(FormState& s) {
    s.FrereJacquesNotes = split(FrereJacquesText);
    s.BobbyShaftoeNotes = split(BobbyShaftoeText);
    s.MajorNotes = split(MajorText);
    s.MinorNotes = split(MinorText);
    s.EarlyMorningNotes = split(EarlyMorningText);
    s.ToccataNotes = split(ToccataText);
    s.PentatonicNotes = split(PentatonicText);
    s.ChromaticNotes.clear();
    for (int i = 0; i <= 108; ++i) {
        s.ChromaticNotes.push_back(i + 12);
    }
    s.WholeToneNotes.clear();
    for (int j = 0; j <= 54; ++j) {
        s.WholeToneNotes.push_back(2 * j + 12);
    }
    s.CurrentTune = s.ChromaticNotes;
    newToneWithRandomInstrument(s);
    s.TuneIndex = 0;
}

void LoadTune(FormState& s, int selected) {
    if (selected >= 0 && selected < OptionCount) {
        s.CurrentTune = ListForOption(s, selected);
    }
    // The replaced tone may be sounding; a sustaining instrument would drone on.
    EndSoundingTone(s);
    newToneWithRandomInstrument(s);
}

QString AddTuneToCaption(const QString& caption, int selected) {
    const QString tune =
        selected >= 0 && selected < OptionCount ? OptionCaptions().at(selected) : QString();
    return caption + QStringLiteral(" to tune ") + tune;
}

} // namespace Tunes
