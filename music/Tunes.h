#pragma once

#include "music/FormState.h"
#include "platform/Random.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <span>

// The nine scales and tunes behind the option buttons optTune(0..8).
namespace Tunes {

inline constexpr int OptionCount = 9;

// The stored scales and tunes, note numbers in playing order.
inline constexpr std::array<double, 35> FrereJacquesNotes{
    60, 62, 64, 60, 60, 62, 64, 60, 64, 65, 67, 67, 64, 65, 67, 67, 67, 69,
    67, 65, 64, 60, 67, 69, 67, 65, 64, 60, 60, 55, 60, 60, 60, 55, 60};
inline constexpr std::array<double, 32> BobbyShaftoeNotes{
    60, 60, 60, 65, 64, 67, 64, 60, 55, 55, 55, 60, 59, 62, 59, 55,
    60, 60, 60, 65, 64, 67, 64, 60, 62, 65, 62, 59, 60, 60, 60, 60};
inline constexpr std::array<double, 22> MajorNotes{60, 62, 64, 65, 67, 69, 71, 72, 74, 76, 77,
                                                   79, 81, 83, 84, 86, 88, 89, 91, 93, 95, 96};
inline constexpr std::array<double, 22> MinorNotes{60, 62, 63, 65, 67, 68, 71, 72, 74, 75, 77,
                                                   79, 80, 83, 84, 86, 87, 89, 91, 92, 95, 96};
inline constexpr std::array<double, 32> EarlyMorningNotes{
    60, 60, 60, 60, 60, 64, 67, 67, 69, 65, 62, 60, 59, 62, 55, 55,
    60, 60, 60, 60, 60, 64, 67, 67, 69, 65, 62, 59, 60, 60, 60, 60};
inline constexpr std::array<double, 32> ToccataNotes{69, 64, 73, 69, 71, 64, 74, 71, 73, 69, 76,
                                                     73, 71, 76, 68, 71, 69, 64, 73, 69, 71, 64,
                                                     74, 71, 73, 69, 76, 73, 71, 76, 68, 71};
inline constexpr std::array<double, 16> PentatonicNotes{60, 62, 64, 67, 69, 72, 74, 76,
                                                        79, 81, 84, 86, 88, 91, 93, 96};

// Count notes from first, step semitones apart.
template <std::size_t Count>
constexpr std::array<double, Count> evenlySpaced(double first, double step) {
    std::array<double, Count> notes{};
    for (std::size_t i = 0; i < Count; ++i) {
        notes[i] = first + step * static_cast<double>(i);
    }
    return notes;
}
// Notes 12 to 120: every semitone, and every other one.
inline constexpr auto ChromaticNotes = evenlySpaced<109>(12, 1);
inline constexpr auto WholeToneNotes = evenlySpaced<55>(12, 2);

// The list behind an option button's index (0..8).
std::span<const double> NotesForOption(int option);
// The option buttons' captions, by index.
const QStringList& OptionCaptions();

// The first tune (Chromatic, the option selected at first), the first tone and its random
// instrument, TuneIndex 0.
void LoadFirstTune(FormState& s, platform::RandomSource& random);

// A click on an option button; selected is the index of the first set option, or -1.
void LoadTune(FormState& s, int selected, platform::RandomSource& random);

// " to tune " and the selected option's caption, appended to caption.
QString AddTuneToCaption(const QString& caption, int selected);

} // namespace Tunes
