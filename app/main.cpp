#include "app/CommandLine.h"
#include "app/EndOnExit.h"
#include "app/MainSplash.h"
#include "app/QuitOnSignal.h"
#include "app/RenderRun.h"
#include "app/Session.h"
#include "platform/synth/FluidSynthOut.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    if (command.options.render) {
        std::string why;
        auto synth = platform::OfflineSynthesizer::create(app::renderSampleRate, &why);
        if (!synth) {
            std::fprintf(stderr, "zelphor: cannot render: %s\n", why.c_str());
            return 1;
        }
        return app::runRender(argc, argv, command.options,
                              {synth->device(), [&synth](float* left, float* right, int frames) {
                                   synth->render(left, right, frames);
                               }});
    }
    app::quitOnSignals();
    app::Session session(command.options, {.devices = {platform::builtInSynthesizer()}});
    int status = 0;
    {
        const app::EndOnExit displayLoss(session, [] {
            if (MainSplash::MySoundCard) {
                MainSplash::MySoundCard->MidiReset();
            }
        });
        status = session.finish(MainSplash::Run(argc, argv, session, command.options));
    }
    // Everything is saved and every note ended. An open or a close of a sound device that is
    // still stuck in a library (a server that accepts and never answers) cannot be waited
    // for: the program ends without it, at once.
    if (!session.devices().settle(std::chrono::milliseconds(100))) {
        std::fputs("zelphor: a sound device still does not answer; ending without it\n", stderr);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    return status;
}
