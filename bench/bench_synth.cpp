// Costs of the built-in synthesizer on every installed General MIDI font: opening it, what a
// note costs the window's thread, how late notes sound, and its output's latency. Appends to
// bench-results-synth.json.
#include "doubles/RecordingMidiOut.h"
#include "doubles/SynthTesting.h"
#include "platform/MidiOut.h"
#include "platform/synth/FluidSynthOut.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Figure {
    std::string name;
    double value;
    std::string unit;
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Seconds of CPU used by every thread of this process.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

double cpuPercentOver(std::chrono::milliseconds window) {
    const double cpu = cpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(window);
    return 100.0 * (cpuSeconds() - cpu) / (msSince(start) / 1000.0);
}

// The font being measured, appended to every figure's name.
std::string fontSuffix;

void record(std::vector<Figure>& figures, std::string name, double value, std::string unit) {
    name += fontSuffix;
    std::printf("%-34s %10.3f %s\n", name.c_str(), value, unit.c_str());
    figures.push_back({std::move(name), value, std::move(unit)});
}

void appendJson(const std::string& path, const std::vector<Figure>& figures) {
    std::string existing;
    {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        existing = ss.str();
    }
    const auto first = existing.find_first_not_of(" \t\r\n");
    const auto last = existing.find_last_not_of(" \t\r\n");
    std::string head = "[";
    if (first != std::string::npos && existing[first] == '[' && existing[last] == ']') {
        head = existing.substr(first, last - first);
        head.erase(head.find_last_not_of(" \t\r\n") + 1);
        const auto inner = head.find_first_not_of(" \t\r\n", 1);
        if (inner != std::string::npos) {
            head += ",";
        }
    }
    std::ofstream out(path, std::ios::trunc);
    out << head << "\n";
    for (std::size_t i = 0; i < figures.size(); ++i) {
        char value[64];
        std::snprintf(value, sizeof value, "%.6g", figures[i].value);
        out << "  {\"name\": \"" << figures[i].name << "\", \"value\": " << value
            << ", \"unit\": \"" << figures[i].unit << "\"}" << (i + 1 < figures.size() ? "," : "")
            << "\n";
    }
    out << "]\n";
}

uint32_t noteOn(int note, int velocity) {
    return static_cast<uint32_t>(0x90 + note * 256 + velocity * 65536);
}

void benchOffline(bool smoke, std::vector<Figure>& figures) {
    std::vector<double> opens;
    std::unique_ptr<platform::OfflineSynthesizer> synth;
    for (int i = 0; i < (smoke ? 2 : 10); ++i) {
        std::string error;
        const auto start = Clock::now();
        synth = platform::OfflineSynthesizer::create(44100, &error);
        opens.push_back(msSince(start));
        if (!synth) {
            std::printf("offline synthesizer: %s\n", error.c_str());
            return;
        }
    }
    record(figures, "synth_offline_create", median(opens), "ms");

    // 50 ms of rendering between notes keeps the voices as a fast effect would leave them;
    // only the three messages are timed.
    const int notes = smoke ? 100 : 2000;
    const int gap = 2205;
    std::vector<float> left(gap);
    std::vector<float> right(gap);
    double messagesMs = 0.0;
    for (int i = 0; i < notes; ++i) {
        const int note = 48 + i % 24;
        const auto start = Clock::now();
        synth->device().shortMessage(static_cast<uint32_t>(0xC0 + (i / 50 % 80) * 256));
        synth->device().shortMessage(noteOn(note, 127));
        synth->device().shortMessage(noteOn(note, 0));
        messagesMs += msSince(start);
        synth->render(left.data(), right.data(), gap);
    }
    record(figures, "synth_note_three_messages", 1000.0 * messagesMs / notes, "us");
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0
                     : v[std::min(v.size() - 1, static_cast<std::size_t>(p * double(v.size())))];
}

// The server's own measure of our stream's latency (buffer plus sink), while a note sounds.
double serverLatencyMs() {
    FILE* pipe = popen("pactl list sink-inputs 2>/dev/null", "r");
    if (pipe == nullptr) {
        return -1.0;
    }
    char line[512];
    double usec = 0.0;
    bool ours = false;
    bool found = false;
    double buffer = 0.0;
    double sink = 0.0;
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        const std::string text = line;
        if (text.rfind("Sink Input #", 0) == 0) {
            ours = false;
        }
        if (text.find("Buffer Latency:") != std::string::npos) {
            buffer = std::atof(text.c_str() + text.find(':') + 1);
        } else if (text.find("Sink Latency:") != std::string::npos) {
            sink = std::atof(text.c_str() + text.find(':') + 1);
        } else if (text.find("application.name = \"Zelphor\"") != std::string::npos) {
            ours = true;
        }
        if (ours && !found) {
            usec = buffer + sink;
            found = true;
        }
    }
    pclose(pipe);
    return found ? usec / 1000.0 : -1.0;
}

void benchDevice(platform::MidiOutRegistry& devices, bool smoke, std::vector<Figure>& figures,
                 const std::shared_ptr<platform::MidiOutDevice*>& opened) {
    namespace st = platform::synth_testing;
    platform::HMIDIOUT handle = 0;
    const auto start = Clock::now();
    const platform::MMRESULT result = platform::midiOutOpen(devices, &handle, 0, 1, 0, 0);
    const double openMs = msSince(start);
    if (result != platform::MMSYSERR_NOERROR) {
        char text[256];
        platform::midiOutGetErrorTextA(devices, result, text, sizeof text);
        std::printf("device 0 not opened, no audio figures: %s\n", text);
        return;
    }
    record(figures, "synth_device_open", openMs, "ms");
    platform::MidiOutDevice* device = *opened;
    auto loaded = [device] {
        const auto state = st::inspect(*device);
        return state ? state->presetsLoaded : 0;
    };

    // What the window's thread pays for a note (a program change, the old note's end, the
    // new note), and how late the note reaches the synthesizer, before and after every
    // instrument has been loaded in the background.
    auto notes = [&](const char* phase, int count) {
        std::vector<double> costs;
        std::vector<double> baseline;
        std::vector<double> onsets;
        for (int i = 0; i < count; ++i) {
            const int program = (i * 37 + 11) % 80;
            const int note = 48 + i % 24;
            const auto sent = Clock::now();
            platform::midiOutShortMsg(devices, handle, static_cast<uint32_t>(0xC0 + program * 256));
            platform::midiOutShortMsg(devices, handle, noteOn(note == 48 ? 71 : note - 1, 0));
            platform::midiOutShortMsg(devices, handle, noteOn(note, 127));
            costs.push_back(1000.0 * msSince(sent));
            const auto idle = Clock::now();
            platform::midiOutShortMsg(devices, 0, static_cast<uint32_t>(0xC0 + program * 256));
            platform::midiOutShortMsg(devices, 0, noteOn(note, 0));
            platform::midiOutShortMsg(devices, 0, noteOn(note, 127));
            baseline.push_back(1000.0 * msSince(idle));
            st::waitUntilApplied(*device, 5s);
            onsets.push_back(msSince(sent));
            std::this_thread::sleep_for(5ms);
        }
        record(figures, std::string("synth_playnote_window_median_") + phase, median(costs), "us");
        record(figures, std::string("synth_playnote_window_p99_") + phase, percentile(costs, 0.99),
               "us");
        record(figures, std::string("synth_playnote_window_worst_") + phase, percentile(costs, 1.0),
               "us");
        // The same three calls to no device at the same moments: what the machine itself
        // adds to the worst case (preemption, interrupts).
        record(figures, std::string("synth_playnote_window_worst_no_device_") + phase,
               percentile(baseline, 1.0), "us");
        record(figures, std::string("synth_onset_delay_median_") + phase, median(onsets), "ms");
        record(figures, std::string("synth_onset_delay_worst_") + phase, percentile(onsets, 1.0),
               "ms");
    };
    notes("loading", smoke ? 10 : 40);
    if (!smoke) {
        waitFor([&] { return loaded() == 81; }, 60s);
        record(figures, "synth_preload_done_after_open", msSince(start), "ms");
        notes("loaded", 2000);
        record(figures, "synth_output_latency_measured", serverLatencyMs(), "ms");
        platform::midiOutReset(devices, handle);
        const auto running = [device] {
            const auto state = st::inspect(*device);
            return state && state->audioRunning;
        };
        if (waitFor([&] { return !running(); }, 20s)) {
            record(figures, "synth_device_cpu_paused", cpuPercentOver(2000ms), "percent");
        }
    }
    const auto closing = Clock::now();
    platform::midiOutClose(devices, handle);
    record(figures, "synth_device_close", msSince(closing), "ms");
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        smoke = smoke || std::strcmp(argv[i], "--smoke") == 0;
    }
    auto opened = std::make_shared<platform::MidiOutDevice*>(nullptr);
    platform::MidiOutRegistry devices({platform::noting(platform::builtInSynthesizer(), opened)});
    std::vector<Figure> figures;
    record(figures, "synth_output_latency", platform::kOutputLatencyMs, "ms");
    // Every installed General MIDI font, each figure named after its font.
    for (const std::string& font : platform::synth_testing::installedSoundFonts()) {
        setenv("ZELPHOR_SOUNDFONT", font.c_str(), 1);
        std::error_code ec;
        fontSuffix = "_" + std::filesystem::canonical(font, ec).stem().string();
        std::printf("-- %s\n", font.c_str());
        benchOffline(smoke, figures);
        benchDevice(devices, smoke, figures, opened);
    }
    appendJson("bench-results-synth.json", figures);
    return 0;
}
