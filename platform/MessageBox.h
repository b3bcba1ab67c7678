#pragma once

#include <QString>

#include <functional>

namespace platform {

// A modal message box with only an OK button and no icon, titled with the
// application's title; or, where nobody can answer one, what the hook does instead.
void messageBox(const QString& text);

using MessageBoxHook = std::function<void(const QString& title, const QString& text)>;
// Replaces the box (an empty hook restores the real one).
void setMessageBoxHook(MessageBoxHook hook);

} // namespace platform
