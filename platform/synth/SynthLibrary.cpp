#include "platform/synth/SynthLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>
#include <utility>

namespace platform::synth {

namespace {

std::mutex libraryErrorMutex;
std::string lastLibraryError;

void keepLibraryMessage(int level, const char* message, void*) {
    if (level <= FLUID_ERR && message != nullptr) {
        std::lock_guard lock(libraryErrorMutex);
        lastLibraryError = message;
    }
}

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

} // namespace

std::string takeLibraryError() {
    std::lock_guard lock(libraryErrorMutex);
    return std::exchange(lastLibraryError, {});
}

// A machine without sound is not an error worth printing: failed driver attempts would
// otherwise fill stderr. ALSA prints on its own, so its handler is set too; the library
// is already loaded by the synthesizer library, we only look it up.
void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, keepLibraryMessage, nullptr);
        }
        using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetAlsaHandler = int (*)(AlsaHandler);
        if (void* symbol = dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")) {
            SetAlsaHandler set = nullptr;
            std::memcpy(&set, &symbol, sizeof set);
            set(ignoreAlsaMessage);
        }
    });
}

} // namespace platform::synth
