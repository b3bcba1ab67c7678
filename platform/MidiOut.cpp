#include "platform/MidiOut.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// An open under way on a thread of its own. If nobody waits for it any more, the thread
// closes what it opened.
struct PendingOpen {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<MidiOpenResult> result;
    bool abandoned = false;
    Clock::time_point started = Clock::now();
};

MidiOpenResult openNow(const MidiOutFactory& factory) {
    try {
        return factory(std::stop_token{});
    } catch (const std::exception& e) {
        MidiOpenResult failed;
        failed.error = MMSYSERR_ERROR;
        failed.detail = e.what();
        return failed;
    }
}

std::shared_ptr<PendingOpen> startOpen(const MidiOutFactory& factory) {
    auto pending = std::make_shared<PendingOpen>();
    try {
        std::thread([pending, factory] {
            MidiOpenResult r = openNow(factory);
            std::unique_lock lock(pending->mutex);
            if (pending->abandoned) {
                lock.unlock();
                if (r.device) {
                    r.device->close();
                }
                return;
            }
            pending->result = std::move(r);
            pending->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: open here and now.
        pending->result = openNow(factory);
    }
    return pending;
}

void abandon(PendingOpen& pending) {
    std::lock_guard lock(pending.mutex);
    pending.abandoned = true;
    if (pending.result && pending.result->device) {
        pending.result->device->close();
    }
    pending.result.reset();
}

std::string seconds(std::chrono::milliseconds limit) {
    const auto ms = limit.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

struct Registry {
    std::vector<MidiOutFactory> registered;
    std::optional<std::vector<MidiOutFactory>> replaced;
    std::map<HMIDIOUT, std::unique_ptr<MidiOutDevice>> open;
    HMIDIOUT nextHandle = 1;
    std::map<MMRESULT, std::string> details{{ZELPHOR_ERR_NOANSWER, seconds(kDefaultOpenTimeLimit)}};
    // Opens under way, by device number.
    std::map<int32_t, std::shared_ptr<PendingOpen>> ahead;
    std::chrono::milliseconds timeLimit = kDefaultOpenTimeLimit;

    const std::vector<MidiOutFactory>& devices() const { return replaced ? *replaced : registered; }

    // Opens for a device list being replaced: each is given what is left of its time, so
    // that a factory of the old list is not left running, then dropped.
    void abandonAhead() {
        for (auto& entry : ahead) {
            PendingOpen& pending = *entry.second;
            {
                std::unique_lock lock(pending.mutex);
                pending.done.wait_until(lock, pending.started + timeLimit,
                                        [&pending] { return pending.result.has_value(); });
            }
            abandon(pending);
        }
        ahead.clear();
    }
};

Registry& registry() {
    static Registry r;
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
    case ZELPHOR_ERR_NOANSWER:
        return "The audio server did not answer within " + r.details.at(ZELPHOR_ERR_NOANSWER);
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

void registerMidiOutDevices(std::vector<MidiOutFactory> devices) {
    auto& r = registry();
    if (!r.replaced) {
        r.abandonAhead();
    }
    r.registered = std::move(devices);
}

void setMidiOutDevices(std::vector<MidiOutFactory> devices) {
    auto& r = registry();
    r.abandonAhead();
    r.replaced = std::move(devices);
}

void restoreDefaultMidiOutDevices() {
    auto& r = registry();
    r.abandonAhead();
    r.replaced.reset();
}

MMRESULT midiOutOpen(HMIDIOUT* handle, int32_t deviceId, uintptr_t, uintptr_t, uint32_t) {
    if (handle == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *handle = 0;
    auto& r = registry();
    const auto& devices = r.devices();
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= devices.size()) {
        return devices.empty() ? MIDIERR_NODEVICE : MMSYSERR_BADDEVICEID;
    }
    std::shared_ptr<PendingOpen> pending;
    if (auto it = r.ahead.find(deviceId); it != r.ahead.end()) {
        pending = std::move(it->second);
        r.ahead.erase(it);
    } else {
        pending = startOpen(devices[static_cast<std::size_t>(deviceId)]);
    }
    MidiOpenResult opened;
    {
        std::unique_lock lock(pending->mutex);
        if (!pending->done.wait_until(lock, pending->started + r.timeLimit,
                                      [&] { return pending->result.has_value(); })) {
            lock.unlock();
            abandon(*pending);
            r.details[ZELPHOR_ERR_NOANSWER] = seconds(r.timeLimit);
            return ZELPHOR_ERR_NOANSWER;
        }
        opened = std::move(*pending->result);
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
    const auto& devices = r.devices();
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= devices.size() ||
        r.ahead.count(deviceId) != 0) {
        return;
    }
    r.ahead.emplace(deviceId, startOpen(devices[static_cast<std::size_t>(deviceId)]));
}

void setMidiOutOpenTimeLimit(std::chrono::milliseconds limit) {
    registry().timeLimit = limit;
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
