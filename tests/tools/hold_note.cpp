// Opens device 0 as the program does and holds one organ note for the given seconds, then
// resets and closes it: the end-to-end dropout test records what reaches the sound server.
#include "platform/MidiOut.h"
#include "platform/synth/FluidSynthOut.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    platform::MidiOutRegistry devices({platform::builtInSynthesizer()});
    platform::HMIDIOUT handle = 0;
    const platform::MMRESULT result = platform::midiOutOpen(devices, &handle, 0, 1, 0, 0);
    if (result != platform::MMSYSERR_NOERROR) {
        char text[256];
        platform::midiOutGetErrorTextA(devices, result, text, sizeof text);
        std::fprintf(stderr, "hold_note: %s\n", text);
        return 1;
    }
    platform::midiOutShortMsg(devices, handle, 0x13C0);   // church organ
    platform::midiOutShortMsg(devices, handle, 0x643C90); // middle C
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    platform::midiOutReset(devices, handle);
    platform::midiOutClose(devices, handle);
    return 0;
}
