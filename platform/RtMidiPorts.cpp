#include "platform/MidiPorts.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <cstdarg>
#include <cstring>
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

std::unique_ptr<RtMidiOut> clientOf(RtMidi::Api api, std::string& reason) {
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

// Asks whether the port is still there through a client made while the server answered. A
// client that is already connected answers from what it holds (the sequencer's kernel
// tables, JACK's shared memory), where a new client would wait for a server that stopped
// answering.
class PortProbe {
public:
    virtual ~PortProbe() = default;
    virtual bool there() = 0;
};

class SequencerProbe final : public PortProbe {
public:
    SequencerProbe(std::unique_ptr<RtMidiOut> client, std::string prefix, std::string fullName)
        : client_(std::move(client)), prefix_(std::move(prefix)), fullName_(std::move(fullName)) {
        collectErrors(*client_, error_);
    }
    bool there() override {
        const unsigned count = client_->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (prefix_ + client_->getPortName(i) == fullName_) {
                return true;
            }
        }
        return false;
    }

private:
    std::unique_ptr<RtMidiOut> client_;
    std::string prefix_;
    std::string fullName_;
    std::string error_;
};

// A JACK client also hears when the server goes: its shared memory would go on showing the
// ports of a server that was killed.
class JackProbe final : public PortProbe {
public:
    JackProbe(jack_client_t* client, std::string portName)
        : client_(client), portName_(std::move(portName)) {
        jack_on_shutdown(
            client_, [](void* self) { static_cast<JackProbe*>(self)->down_ = true; }, this);
    }
    ~JackProbe() override { jack_client_close(client_); }
    JackProbe(const JackProbe&) = delete;
    JackProbe& operator=(const JackProbe&) = delete;
    bool there() override {
        return !down_ && jack_port_by_name(client_, portName_.c_str()) != nullptr;
    }

private:
    jack_client_t* client_;
    std::string portName_;
    std::atomic<bool> down_{false};
};

std::unique_ptr<PortProbe> probeFor(const Kind& kind, const std::string& fullName) {
    if (kind.api == RtMidi::LINUX_ALSA) {
        std::string ignored;
        auto client = clientOf(kind.api, ignored);
        return client ? std::make_unique<SequencerProbe>(std::move(client), kind.prefix, fullName)
                      : nullptr;
    }
    jack_status_t status{};
    jack_client_t* client = jack_client_open(ownName, JackNoStartServer, &status);
    if (client == nullptr) {
        return nullptr;
    }
    return std::make_unique<JackProbe>(client, fullName.substr(std::strlen(kind.prefix)));
}

class RtMidiConnection final : public MidiPortConnection {
public:
    RtMidiConnection(std::unique_ptr<RtMidiOut> out, std::unique_ptr<PortProbe> probe)
        : out_(std::move(out)), probe_(std::move(probe)) {
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
    // Without a probe nothing can be asked that would not wait: a failed send tells instead.
    bool stillThere() override { return !probe_ || probe_->there(); }

private:
    std::unique_ptr<RtMidiOut> out_;
    std::string error_;
    std::unique_ptr<PortProbe> probe_;
};

class RtMidiSystem final : public MidiPortSystem {
public:
    std::vector<std::string> outputs() override {
        quietLibraries();
        std::vector<std::string> names;
        for (const Kind& kind : kinds) {
            std::string reason;
            auto out = clientOf(kind.api, reason);
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
            auto out = clientOf(kind.api, reason);
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
                return std::make_unique<RtMidiConnection>(std::move(out), probeFor(kind, fullName));
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
