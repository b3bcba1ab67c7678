#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

// Our equivalent of the system's MIDI output functions: numbered devices, opened
// into handles, taking packed short messages.
namespace platform {

using MMRESULT = uint32_t;
using HMIDIOUT = uint32_t;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIDIERR_NODEVICE = 68;
// Our own reasons for a failed open of the built-in synthesizer.
inline constexpr MMRESULT ZELPHOR_ERR_NOSOUNDFONT = 1001;
inline constexpr MMRESULT ZELPHOR_ERR_NOAUDIO = 1002;
inline constexpr MMRESULT ZELPHOR_ERR_SYNTH = 1003;
inline constexpr MMRESULT ZELPHOR_ERR_NOANSWER = 1004; // the open did not finish in time

// An open output device.
class MidiOutDevice {
public:
    virtual ~MidiOutDevice() = default;
    // status + data1 * 256 + data2 * 65536
    virtual void shortMessage(uint32_t message) = 0;
    // Sustain off and every sounding note ended, on all 16 channels.
    virtual void reset() = 0;
    virtual void close() {}
};

struct MidiOpenResult {
    std::unique_ptr<MidiOutDevice> device; // null when the open failed
    MMRESULT error = MMSYSERR_NOERROR;
    std::string detail; // what the error text adds to its reason, e.g. the places looked in
};

// Opens a device. The token is stopped when the open's time limit passes or the registry
// goes; a factory that waits on something gives up promptly then.
using MidiOutFactory = std::function<MidiOpenResult(std::stop_token)>;

// Every open runs on a worker thread and is given this long from its start; past it, the
// open fails with ZELPHOR_ERR_NOANSWER, the worker's token is stopped and what it opens
// later is closed again. An audio server that has lost its session manager may never answer.
inline constexpr std::chrono::milliseconds kDefaultOpenTimeLimit{2000};

// The system's output devices by number, given when it is made (the built-in synthesizer is
// device 0 of the program's), and the handles open on them. Owns the threads its opens run
// on: its destructor stops and joins every one of them.
class MidiOutRegistry {
public:
    explicit MidiOutRegistry(std::vector<MidiOutFactory> devices = {},
                             std::chrono::milliseconds openTimeLimit = kDefaultOpenTimeLimit);
    ~MidiOutRegistry();
    MidiOutRegistry(const MidiOutRegistry&) = delete;
    MidiOutRegistry& operator=(const MidiOutRegistry&) = delete;

    // Starts opening a device on a worker thread; the next open of that device takes its
    // result, waiting only for what is left. Opening the synthesizer takes a good part of a
    // second, which can pass while the program sets up its first window.
    void openAhead(int32_t deviceId);
    // Stops every open still under way and waits up to the limit for their workers, and for
    // those of closes still under way, to end; true when none is left running. A library call
    // that never returns (a server that accepts and never answers) keeps its worker: the
    // program then ends without it.
    bool settle(std::chrono::milliseconds limit);
    MMRESULT open(HMIDIOUT* handle, int32_t deviceId);
    MMRESULT shortMessage(HMIDIOUT handle, uint32_t message);
    MMRESULT reset(HMIDIOUT handle);
    // Waits a moment for the device to close; one that takes longer goes on closing on a
    // worker, which settle waits for.
    MMRESULT close(HMIDIOUT handle);
    // The text for the code, with what the last failure of that code added to it.
    std::string errorText(MMRESULT code) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The system's functions, on the devices given.
MMRESULT midiOutOpen(MidiOutRegistry& system, HMIDIOUT* handle, int32_t deviceId,
                     uintptr_t callback, uintptr_t instance, uint32_t flags);
MMRESULT midiOutShortMsg(MidiOutRegistry& system, HMIDIOUT handle, uint32_t message);
MMRESULT midiOutReset(MidiOutRegistry& system, HMIDIOUT handle);
MMRESULT midiOutClose(MidiOutRegistry& system, HMIDIOUT handle);
// Copies the zero-terminated text for the code into text (size bytes at most).
MMRESULT midiOutGetErrorTextA(const MidiOutRegistry& system, MMRESULT code, char* text,
                              uint32_t size);
MMRESULT midiInGetErrorTextA(MMRESULT code, char* text, uint32_t size);

} // namespace platform
