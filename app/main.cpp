#include "app/CommandLine.h"
#include "app/MainSplash.h"
#include "app/QuitOnSignal.h"
#include "app/Session.h"
#include "platform/synth/FluidSynthOut.h"

#include <cstdio>

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
    app::Session session(command.options);
    return session.finish(
        MainSplash::Run(argc, argv, {platform::builtInSynthesizer()}, command.options));
}
