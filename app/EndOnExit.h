#pragma once

#include "app/Session.h"

#include <functional>

namespace app {

// Qt ends the process with exit() when its connection to the X server breaks: the server
// died, or the session ended under the program. Static objects would then be destroyed under
// a live application (the main window among them) and crash it. While an object of this
// class lives, such an end first ends the sounding notes and completes the session's
// recording, then ends the process at once, without them.
class EndOnExit {
public:
    EndOnExit(Session& session, std::function<void()> silence);
    ~EndOnExit();
    EndOnExit(const EndOnExit&) = delete;
    EndOnExit& operator=(const EndOnExit&) = delete;

private:
    static void atExit();

    Session& session_;
    std::function<void()> silence_;
};

} // namespace app
