#pragma once

#include "app/FormState.h"

#include <QString>
#include <QStringList>

// The nine scales and tunes behind the option buttons optTune(0..8).
namespace Tunes {

inline constexpr int OptionCount = 9;
// The option buttons' captions, by index.
const QStringList& OptionCaptions();

// The stored lists, in the order they are built, and the two computed scales; then the
// first tune (Chromatic), the first tone and its random instrument, TuneIndex 0.
void BuildNoteLists(FormState& s);

// A click on an option button; selected is the index of the first set option, or -1.
void LoadTune(FormState& s, int selected);

// " to tune " and the selected option's caption, appended to caption.
QString AddTuneToCaption(const QString& caption, int selected);

} // namespace Tunes
