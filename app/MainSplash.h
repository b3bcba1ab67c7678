#pragma once

#include "app/CommandLine.h"
#include "app/ProgramContext.h"
#include "app/Session.h"
#include "music/SoundCard.h"
#include "platform/QtClock.h"

#include <cstdint>
#include <memory>
#include <vector>

class frmGraphicsPlay;

namespace MainSplash {

// The program's one MIDI output device: opened at start-up, reset by Freeze, reset and
// closed when the main window unloads.
extern std::unique_ptr<SoundCard> MySoundCard;

// Splash, device, jingle, then the main window, made with the context given. Returns once
// the main window is showing.
void Main(const app::ProgramContext& context);

// Waits until more than the given milliseconds have passed on the clock, handling events
// meanwhile.
void Pause(int16_t Milliseconds, platform::Clock& clock = platform::realClock());

// The main window Main showed, while it exists.
frmGraphicsPlay* MainWindow();
// Drops the main window and the device: the end of the program.
void Shutdown();

// The whole program on the session's devices: the application object, Main, then the event
// loop, with the autoplay director when the options ask for it.
int Run(int argc, char** argv, app::Session& session, const app::StartOptions& options = {});

} // namespace MainSplash
