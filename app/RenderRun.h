#pragma once

#include "app/CommandLine.h"
#include "app/Render.h"

namespace app {

// Renders the show the options ask for into its file, with no window on the screen and no
// sound device: 0 once the file is complete, 1 when it could not be written (nothing is left
// at the target then), 128 plus the signal's number when SIGINT or SIGTERM stopped it early
// (the file then holds the show up to that moment).
int runRender(int argc, char** argv, const StartOptions& options, const RenderSynthesizer& synth);

} // namespace app
