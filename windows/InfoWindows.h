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

void ShowHelp();
void ShowAbout();
// The main window's advertisement tick: one time in four, a random Melodrix page.
void AdTimer_Timer(platform::RandomSource& random);
// Shows the advertisement window on the page with this name ("/AboutBox.htm"), loading it first
// when it is not open.
void ShowAdPage(const QString& pageName);

// What Stop Music does; an empty function makes it do nothing.
void SetFreezeAction(std::function<void()> freeze);
void PressFreeze();

// The open window, or nullptr.
frmAbout* AboutWindow();
frmHelp* HelpWindow();
frmAd* AdWindow();

void CloseAll();

} // namespace InfoWindows
