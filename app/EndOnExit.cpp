#include "app/EndOnExit.h"

#include <cstdio>
#include <cstdlib>

namespace app {

namespace {
// The one that lives; exit handlers are plain functions and cannot be handed an object.
EndOnExit* living = nullptr;
} // namespace

EndOnExit::EndOnExit(Session& session, std::function<void()> silence)
    : session_(session), silence_(std::move(silence)) {
    static const bool registered = std::atexit(atExit) == 0;
    (void)registered;
    living = this;
}

EndOnExit::~EndOnExit() {
    living = nullptr;
}

void EndOnExit::atExit() {
    if (living == nullptr) {
        return;
    }
    EndOnExit& self = *living;
    living = nullptr;
    std::fputs("zelphor: the display has gone away; ending\n", stderr);
    if (self.silence_) {
        self.silence_();
    }
    const int status = self.session_.finish(1);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

} // namespace app
