#pragma once

#include <QString>

#include <functional>

namespace platform {

// A modal message box with only an OK button and no icon, titled with the
// application's title.
void messageBox(const QString& text);

// How a part of the program shows a message: messageBox, or where nobody can answer a box
// (a screensaver, a render), a line on standard error.
using MessageBoxes = std::function<void(const QString& text)>;

} // namespace platform
