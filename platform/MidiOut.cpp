#include "platform/MidiOut.h"

#include "platform/FluidSynthOut.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <map>
#include <system_error>

namespace platform {

namespace {

struct Registry {
    std::vector<MidiOutFactory> devices;
    bool customised = false;
    std::map<HMIDIOUT, std::unique_ptr<MidiOutDevice>> open;
    HMIDIOUT nextHandle = 1;
    std::map<MMRESULT, std::string> details;
    // Opens under way, by device number; a destroyed future waits for its thread.
    std::map<int32_t, std::future<MidiOpenResult>> ahead;
};

Registry& registry() {
    static Registry r;
    if (!r.customised && r.devices.empty()) {
        r.devices.push_back(builtInSynthesizer());
    }
    return r;
}

std::string outText(MMRESULT code, const Registry& r) {
    auto withDetail = [&](std::string text) {
        auto it = r.details.find(code);
        if (it != r.details.end() && !it->second.empty()) {
            text += " (" + it->second + ")";
        }
        return text;
    };
    switch (code) {
    case MMSYSERR_NOERROR:
        return "The operation completed successfully";
    case MMSYSERR_ERROR:
        return withDetail("The MIDI output device reported an error");
    case MMSYSERR_BADDEVICEID:
        return "The MIDI output device number is out of range";
    case MMSYSERR_ALLOCATED:
        return "The MIDI output device is already in use";
    case MMSYSERR_INVALHANDLE:
        return "The MIDI output device is not open";
    case MMSYSERR_NODRIVER:
        return "No MIDI output driver is installed";
    case MMSYSERR_NOMEM:
        return "Not enough memory to open the MIDI output device";
    case MMSYSERR_INVALPARAM:
        return "An invalid parameter was passed to the MIDI output device";
    case MIDIERR_NODEVICE:
        return "No MIDI output device was found";
    case ZELPHOR_ERR_NOSOUNDFONT:
        return withDetail("No General MIDI sound font was found");
    case ZELPHOR_ERR_NOAUDIO:
        return withDetail("No audio output could be opened");
    case ZELPHOR_ERR_SYNTH:
        return withDetail("The built-in synthesizer could not be started");
    default:
        return "Unknown MIDI error " + std::to_string(code);
    }
}

std::string inText(MMRESULT code) {
    switch (code) {
    case MMSYSERR_NOERROR:
        return "The operation completed successfully";
    case MMSYSERR_BADDEVICEID:
        return "The MIDI input device number is out of range";
    case MMSYSERR_ALLOCATED:
        return "The MIDI input device is already in use";
    case MMSYSERR_INVALHANDLE:
        return "The MIDI input device is not open";
    case MMSYSERR_NODRIVER:
        return "No MIDI input driver is installed";
    case MMSYSERR_NOMEM:
        return "Not enough memory to open the MIDI input device";
    case MIDIERR_NODEVICE:
        return "No MIDI input device was found";
    default:
        return "Unknown MIDI input error " + std::to_string(code);
    }
}

MMRESULT copyText(const std::string& message, char* text, uint32_t size) {
    if (text == nullptr || size == 0) {
        return MMSYSERR_INVALPARAM;
    }
    const std::size_t n = std::min<std::size_t>(message.size(), size - 1);
    std::memcpy(text, message.data(), n);
    text[n] = '\0';
    return MMSYSERR_NOERROR;
}

} // namespace

void setMidiOutDevices(std::vector<MidiOutFactory> devices) {
    auto& r = registry();
    r.ahead.clear();
    r.devices = std::move(devices);
    r.customised = true;
}

void restoreDefaultMidiOutDevices() {
    auto& r = registry();
    r.ahead.clear();
    r.devices.clear();
    r.customised = false;
    r.devices.push_back(builtInSynthesizer());
}

std::size_t midiOutDeviceCount() {
    return registry().devices.size();
}

MMRESULT midiOutOpen(HMIDIOUT* handle, int32_t deviceId, uintptr_t, uintptr_t, uint32_t) {
    if (handle == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *handle = 0;
    auto& r = registry();
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= r.devices.size()) {
        return r.devices.empty() ? MIDIERR_NODEVICE : MMSYSERR_BADDEVICEID;
    }
    MidiOpenResult opened;
    if (auto it = r.ahead.find(deviceId); it != r.ahead.end()) {
        opened = it->second.get();
        r.ahead.erase(it);
    } else {
        opened = r.devices[static_cast<std::size_t>(deviceId)]();
    }
    if (!opened.device) {
        const MMRESULT code = opened.error != MMSYSERR_NOERROR ? opened.error : MMSYSERR_ERROR;
        r.details[code] = opened.detail;
        return code;
    }
    const HMIDIOUT h = r.nextHandle++;
    r.open.emplace(h, std::move(opened.device));
    *handle = h;
    return MMSYSERR_NOERROR;
}

void openMidiOutAhead(int32_t deviceId) {
    auto& r = registry();
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= r.devices.size() ||
        r.ahead.count(deviceId) != 0) {
        return;
    }
    try {
        r.ahead.emplace(deviceId, std::async(std::launch::async,
                                             r.devices[static_cast<std::size_t>(deviceId)]));
    } catch (const std::system_error&) {
        // No thread to spare: midiOutOpen opens it itself.
    }
}

MidiOutDevice* midiOutDeviceFor(HMIDIOUT handle) {
    auto& r = registry();
    auto it = r.open.find(handle);
    return it == r.open.end() ? nullptr : it->second.get();
}

MMRESULT midiOutShortMsg(HMIDIOUT handle, uint32_t message) {
    MidiOutDevice* d = midiOutDeviceFor(handle);
    if (d == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    d->shortMessage(message);
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutReset(HMIDIOUT handle) {
    MidiOutDevice* d = midiOutDeviceFor(handle);
    if (d == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    d->reset();
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutClose(HMIDIOUT handle) {
    auto& r = registry();
    auto it = r.open.find(handle);
    if (it == r.open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    std::unique_ptr<MidiOutDevice> device = std::move(it->second);
    r.open.erase(it);
    device->close();
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutGetErrorTextA(MMRESULT code, char* text, uint32_t size) {
    return copyText(outText(code, registry()), text, size);
}

MMRESULT midiInGetErrorTextA(MMRESULT code, char* text, uint32_t size) {
    return copyText(inText(code), text, size);
}

} // namespace platform
