#pragma once

#include "platform/Random.h"

#include <QString>

#include <functional>

class frmAbout;
class frmHelp;
class frmAd;

// The About, Help and advertisement windows: each is open at most once, is created when
// shown and is released when closed.
namespace InfoWindows {

// What Stop Music in the advertisement window does: the Freeze of the main window that
// opened it, directly or through About; nothing when empty.
using FreezeAction = std::function<void()>;

void ShowHelp();
void ShowAbout(FreezeAction freeze);
// The main window's advertisement tick: one time in four, a random Melodrix page.
void AdTimer_Timer(platform::RandomSource& random, FreezeAction freeze);
// Shows the advertisement window on the page with this name ("/AboutBox.htm"), loading it first
// when it is not open.
void ShowAdPage(const QString& pageName, FreezeAction freeze);

// The open window, or nullptr.
frmAbout* AboutWindow();
frmHelp* HelpWindow();
frmAd* AdWindow();

void CloseAll();

} // namespace InfoWindows
