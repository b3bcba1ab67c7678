#pragma once

#include "app/CommandLine.h"
#include "app/ProgramContext.h"
#include "music/SoundCard.h"
#include "platform/MidiOut.h"
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

// Waits until more than the given milliseconds have passed, handling events meanwhile.
void Pause(int16_t Milliseconds);

// The main window Main showed, while it exists.
frmGraphicsPlay* MainWindow();
// Drops the main window and the device: the end of the program.
void Shutdown();

// The whole program: the system's MIDI output devices registered (the built-in synthesizer
// as device 0), the application object, Main, then the event loop, with the autoplay director
// when the options ask for it. Devices put in place of the registered ones beforehand (no
// sound, an outside port) stay in force.
int Run(int argc, char** argv, std::vector<platform::MidiOutFactory> devices,
        const app::StartOptions& options = {});

} // namespace MainSplash
