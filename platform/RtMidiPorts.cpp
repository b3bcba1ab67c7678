#include "platform/MidiPorts.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <cstdarg>
#include <mutex>

namespace platform {

namespace {

constexpr const char* ownName = "Zelphor";

struct Kind {
    const char* prefix;
    RtMidi::Api api;
};
constexpr Kind kinds[] = {{"alsa:", RtMidi::LINUX_ALSA}, {"jack:", RtMidi::UNIX_JACK}};

// A machine without a sequencer or a JACK server is usual: the libraries' own complaints
// about it would only clutter the terminal. Failures reach the user through our reasons.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}
void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(quietAlsa);
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
    });
}

// Errors come back through the callback instead of exceptions or the terminal.
void collectErrors(RtMidiOut& out, std::string& last) {
    out.setErrorCallback([](RtMidiError::Type, const std::string& text,
                            void* data) { *static_cast<std::string*>(data) = text; },
                         &last);
}

// Whether the sequencer or the JACK server is there. Asked first because RtMidi prints to
// the terminal when it is not.
bool available(RtMidi::Api api) {
    if (api == RtMidi::LINUX_ALSA) {
        snd_seq_t* seq = nullptr;
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
            return false;
        }
        snd_seq_close(seq);
        return true;
    }
    jack_status_t status{};
    jack_client_t* probe = jack_client_open(ownName, JackNoStartServer, &status);
    if (probe == nullptr) {
        return false;
    }
    jack_client_close(probe);
    return true;
}

std::unique_ptr<RtMidiOut> client(RtMidi::Api api, std::string& reason) {
    if (!available(api)) {
        reason =
            api == RtMidi::LINUX_ALSA ? "there is no ALSA sequencer" : "no JACK server is running";
        return nullptr;
    }
    try {
        return std::make_unique<RtMidiOut>(api, ownName);
    } catch (const RtMidiError& e) {
        reason = e.getMessage();
    }
    return nullptr;
}

class RtMidiConnection final : public MidiPortConnection {
public:
    explicit RtMidiConnection(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)) {
        collectErrors(*out_, error_);
    }
    bool send(const uint8_t* bytes, std::size_t size, std::string& reason) override {
        error_.clear();
        out_->sendMessage(bytes, size);
        if (error_.empty()) {
            return true;
        }
        reason = error_;
        return false;
    }

private:
    std::unique_ptr<RtMidiOut> out_;
    std::string error_;
};

class RtMidiSystem final : public MidiPortSystem {
public:
    std::vector<std::string> outputs() override {
        quietLibraries();
        std::vector<std::string> names;
        for (const Kind& kind : kinds) {
            std::string reason;
            auto out = client(kind.api, reason);
            if (!out) {
                continue;
            }
            std::string error;
            collectErrors(*out, error);
            const unsigned count = out->getPortCount();
            for (unsigned i = 0; i < count; ++i) {
                const std::string name = out->getPortName(i);
                if (!name.empty()) {
                    names.push_back(kind.prefix + name);
                }
            }
        }
        return names;
    }

    std::unique_ptr<MidiPortConnection> open(const std::string& fullName,
                                             std::string& reason) override {
        quietLibraries();
        for (const Kind& kind : kinds) {
            const std::string prefix = kind.prefix;
            if (fullName.compare(0, prefix.size(), prefix) != 0) {
                continue;
            }
            auto out = client(kind.api, reason);
            if (!out) {
                return nullptr;
            }
            std::string error;
            collectErrors(*out, error);
            const unsigned count = out->getPortCount();
            for (unsigned i = 0; i < count; ++i) {
                if (prefix + out->getPortName(i) != fullName) {
                    continue;
                }
                out->openPort(i, ownName);
                if (!out->isPortOpen() || !error.empty()) {
                    reason = error.empty() ? "the port could not be opened" : error;
                    return nullptr;
                }
                return std::make_unique<RtMidiConnection>(std::move(out));
            }
            reason = "the MIDI output " + fullName + " is gone";
            return nullptr;
        }
        reason = "unknown kind of MIDI output " + fullName;
        return nullptr;
    }
};

} // namespace

std::shared_ptr<MidiPortSystem> systemMidiPorts() {
    return std::make_shared<RtMidiSystem>();
}

} // namespace platform
