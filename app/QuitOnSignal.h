#pragma once

namespace app {

// SIGTERM, SIGINT and SIGHUP end the program the normal way: the windows close, the main
// window's unload resets and closes the sound device, and the event loop ends. The handler
// only writes a byte to a pipe; the work is done on the window's thread. A second signal
// while that is under way ends the program at once.
void quitOnSignals();

} // namespace app
