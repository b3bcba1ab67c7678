#include "app/CommandLine.h"
#include "app/MainSplash.h"
#include "app/QuitOnSignal.h"
#include "app/Session.h"
#include "platform/synth/FluidSynthOut.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const app::CommandLine command = app::parseCommandLine(arguments);
    switch (command.action) {
    case app::CommandLine::Action::Exit:
        std::fputs(qPrintable(command.out), stdout);
        std::fputs(qPrintable(command.err), stderr);
        return command.exitStatus;
    case app::CommandLine::Action::ListMidiOutputs:
        app::printMidiOutputs(*platform::systemMidiPorts(), stdout);
        return 0;
    case app::CommandLine::Action::Start:
        break;
    }
    app::quitOnSignals();
    int status = 0;
    {
        app::Session session(command.options);
        status = session.finish(
            MainSplash::Run(argc, argv, {platform::builtInSynthesizer()}, command.options));
    }
    // Everything is saved and every note ended. An open of a sound device that is still stuck
    // in the audio library (a server that accepts and never answers) cannot be waited for:
    // the program ends without it, at once.
    if (!platform::settleMidiOut(std::chrono::milliseconds(200))) {
        std::fputs("zelphor: a sound device still does not answer; ending without it\n", stderr);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    return status;
}
