#pragma once

#include <fluidsynth.h>

#include <memory>
#include <string>

// The synthesizer library's objects with their owners, and what it last complained about.
namespace platform::synth {

// Keeps the library's and ALSA's messages off the terminal; the last error is kept instead.
void quietLibraries();
// The library's last error since the previous call, or empty.
std::string takeLibraryError();

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct DriverDeleter {
    void operator()(fluid_audio_driver_t* d) const { delete_fluid_audio_driver(d); }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthPtr = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using DriverPtr = std::unique_ptr<fluid_audio_driver_t, DriverDeleter>;

} // namespace platform::synth
