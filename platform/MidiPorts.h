#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// An open connection from our own port to another program's or a device's MIDI input.
class MidiPortConnection {
public:
    virtual ~MidiPortConnection() = default;
    // Sends one short message; false, with the reason, when it could not be sent.
    virtual bool send(const uint8_t* bytes, std::size_t size, std::string& reason) = 0;
    // Whether the port is still there, asked without waiting on the sequencer or the JACK
    // server: a server that stopped answering must not hold up the one who asks. Called from
    // one thread only, which may differ from the sending one.
    virtual bool stillThere() = 0;
};

// The MIDI inputs of other programs and devices that our output can be connected to.
class MidiPortSystem {
public:
    virtual ~MidiPortSystem() = default;
    // Full names, each starting with its kind: "alsa:" for a sequencer port, "jack:" for a
    // JACK MIDI input. Empty when there is no sequencer and no JACK server.
    virtual std::vector<std::string> outputs() = 0;
    // Opens the port with this full name through a readable port of our own named
    // "Zelphor"; null, with the reason, when that fails.
    virtual std::unique_ptr<MidiPortConnection> open(const std::string& fullName,
                                                     std::string& reason) = 0;
};

// The ALSA sequencer and JACK, through RtMidi.
std::shared_ptr<MidiPortSystem> systemMidiPorts();

// The built-in synthesizer's name in listings and for --midi-out.
inline constexpr const char* builtInOutputName = "builtin";

struct OutputMatch {
    std::string name;   // the full name chosen, empty when none
    std::string reason; // why none, when none
};

// Which output a name given by the user means: a full name, or the name without its kind
// ("FLUID Synth:Synth input port 128:0" for "alsa:FLUID Synth:Synth input port 128:0"),
// compared exactly; failing that, the one output whose full name contains it, compared
// without regard to case.
OutputMatch matchOutput(const std::vector<std::string>& outputs, const std::string& wanted);

} // namespace platform
