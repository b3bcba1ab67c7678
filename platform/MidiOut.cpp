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

// How long closing a device waits for it before leaving it to end on its worker.
constexpr std::chrono::milliseconds kCloseWait{100};

// An open under way on a worker thread. If nobody waits for it any more, the worker closes
// what it opened.
struct PendingOpen {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<MidiOpenResult> result;
    bool abandoned = false;
    bool finished = false; // the worker has nothing left to do
    Clock::time_point started = Clock::now();
    std::jthread worker; // empty when the open ran on the caller's thread
};

MidiOpenResult openNow(const MidiOutFactory& factory, std::stop_token stop) {
    try {
        return factory(std::move(stop));
    } catch (const std::exception& e) {
        MidiOpenResult failed;
        failed.error = MMSYSERR_ERROR;
        failed.detail = e.what();
        return failed;
    }
}

void work(PendingOpen& pending, const MidiOutFactory& factory, std::stop_token stop) {
    MidiOpenResult r = openNow(factory, std::move(stop));
    std::unique_lock lock(pending.mutex);
    if (pending.abandoned) {
        lock.unlock();
        if (r.device) {
            r.device->close();
        }
        lock.lock();
    } else {
        pending.result = std::move(r);
    }
    pending.finished = true;
    pending.done.notify_all();
}

std::shared_ptr<PendingOpen> startOpen(const MidiOutFactory& factory) {
    auto pending = std::make_shared<PendingOpen>();
    PendingOpen* p = pending.get();
    try {
        // The worker reaches the open through p: whoever holds the PendingOpen joins the
        // worker before letting it go.
        pending->worker =
            std::jthread([p, factory](std::stop_token stop) { work(*p, factory, stop); });
    } catch (const std::system_error&) {
        // No thread to spare: open here and now.
        pending->result = openNow(factory, {});
        pending->finished = true;
    }
    return pending;
}

// Nobody waits for the open any more: its worker is asked to stop, and closes what it opens.
void abandon(PendingOpen& pending) {
    pending.worker.request_stop();
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

std::string outText(MMRESULT code, const std::map<MMRESULT, std::string>& details) {
    auto withDetail = [&](std::string text) {
        auto it = details.find(code);
        if (it != details.end() && !it->second.empty()) {
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
        return "The audio server did not answer within " + details.at(ZELPHOR_ERR_NOANSWER);
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

struct MidiOutRegistry::State {
    const std::vector<MidiOutFactory> devices;
    std::map<HMIDIOUT, std::unique_ptr<MidiOutDevice>> open;
    HMIDIOUT nextHandle = 1;
    std::map<MMRESULT, std::string> details;
    std::chrono::milliseconds timeLimit;
    // Opens under way, by device number.
    std::map<int32_t, std::shared_ptr<PendingOpen>> ahead;
    // Opens given up on and closes not waited for, whose workers may still run; joined once
    // they finish.
    std::vector<std::shared_ptr<PendingOpen>> leftBehind;

    State(std::vector<MidiOutFactory> list, std::chrono::milliseconds limit)
        : devices(std::move(list)), details{{ZELPHOR_ERR_NOANSWER, seconds(limit)}},
          timeLimit(limit) {}

    void giveUp(std::shared_ptr<PendingOpen> pending) {
        abandon(*pending);
        leftBehind.push_back(std::move(pending));
    }

    void joinFinished() {
        std::erase_if(leftBehind, [](const std::shared_ptr<PendingOpen>& pending) {
            std::lock_guard lock(pending->mutex);
            return pending->finished;
        });
    }
};

MidiOutRegistry::MidiOutRegistry(std::vector<MidiOutFactory> devices,
                                 std::chrono::milliseconds openTimeLimit)
    : state_(std::make_unique<State>(std::move(devices), openTimeLimit)) {}

MidiOutRegistry::~MidiOutRegistry() {
    for (auto& entry : state_->ahead) {
        state_->giveUp(std::move(entry.second));
    }
    state_->ahead.clear();
    // Each PendingOpen dropped here joins its worker, whose token is stopped.
    state_->leftBehind.clear();
}

bool MidiOutRegistry::settle(std::chrono::milliseconds limit) {
    for (auto& entry : state_->ahead) {
        state_->giveUp(std::move(entry.second));
    }
    state_->ahead.clear();
    const auto deadline = Clock::now() + limit;
    for (const auto& pending : state_->leftBehind) {
        std::unique_lock lock(pending->mutex);
        pending->done.wait_until(lock, deadline, [&pending] { return pending->finished; });
    }
    state_->joinFinished();
    return state_->leftBehind.empty();
}

MMRESULT MidiOutRegistry::open(HMIDIOUT* handle, int32_t deviceId) {
    if (handle == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    *handle = 0;
    State& r = *state_;
    r.joinFinished();
    const auto& devices = r.devices;
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
            r.giveUp(std::move(pending));
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

void MidiOutRegistry::openAhead(int32_t deviceId) {
    State& r = *state_;
    const auto& devices = r.devices;
    if (deviceId < 0 || static_cast<std::size_t>(deviceId) >= devices.size() ||
        r.ahead.count(deviceId) != 0) {
        return;
    }
    r.ahead.emplace(deviceId, startOpen(devices[static_cast<std::size_t>(deviceId)]));
}

MMRESULT MidiOutRegistry::shortMessage(HMIDIOUT handle, uint32_t message) {
    auto it = state_->open.find(handle);
    if (it == state_->open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    it->second->shortMessage(message);
    return MMSYSERR_NOERROR;
}

MMRESULT MidiOutRegistry::reset(HMIDIOUT handle) {
    auto it = state_->open.find(handle);
    if (it == state_->open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    it->second->reset();
    return MMSYSERR_NOERROR;
}

MMRESULT MidiOutRegistry::close(HMIDIOUT handle) {
    auto it = state_->open.find(handle);
    if (it == state_->open.end()) {
        return MMSYSERR_INVALHANDLE;
    }
    auto device = std::make_shared<std::unique_ptr<MidiOutDevice>>(std::move(it->second));
    state_->open.erase(it);
    // The device is closed and let go on a worker, which closing waits for only so long: a
    // library call stuck on a server that stopped answering must not hold up the caller.
    std::shared_ptr<PendingOpen> closing = startOpen([device](std::stop_token) {
        std::unique_ptr<MidiOutDevice> d = std::move(*device);
        d->close();
        d.reset();
        return MidiOpenResult{};
    });
    bool finished = false;
    {
        std::unique_lock lock(closing->mutex);
        finished = closing->done.wait_for(lock, kCloseWait, [&] { return closing->finished; });
    }
    if (!finished) {
        state_->leftBehind.push_back(std::move(closing));
    }
    return MMSYSERR_NOERROR;
}

std::string MidiOutRegistry::errorText(MMRESULT code) const {
    return outText(code, state_->details);
}

MMRESULT midiOutOpen(MidiOutRegistry& system, HMIDIOUT* handle, int32_t deviceId, uintptr_t,
                     uintptr_t, uint32_t) {
    return system.open(handle, deviceId);
}

MMRESULT midiOutShortMsg(MidiOutRegistry& system, HMIDIOUT handle, uint32_t message) {
    return system.shortMessage(handle, message);
}

MMRESULT midiOutReset(MidiOutRegistry& system, HMIDIOUT handle) {
    return system.reset(handle);
}

MMRESULT midiOutClose(MidiOutRegistry& system, HMIDIOUT handle) {
    return system.close(handle);
}

MMRESULT midiOutGetErrorTextA(const MidiOutRegistry& system, MMRESULT code, char* text,
                              uint32_t size) {
    return copyText(system.errorText(code), text, size);
}

MMRESULT midiInGetErrorTextA(MMRESULT code, char* text, uint32_t size) {
    return copyText(inText(code), text, size);
}

} // namespace platform
