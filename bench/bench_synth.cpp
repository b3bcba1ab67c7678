// Costs of the built-in synthesizer: opening it, playing a note, and its output's latency
// and idle CPU when an audio server is reachable. Appends to bench-results-synth.json.
#include "platform/FluidSynthOut.h"
#include "platform/FluidSynthOutTesting.h"
#include "platform/MidiOut.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
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

void record(std::vector<Figure>& figures, std::string name, double value, std::string unit) {
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

void benchDevice(bool smoke, std::vector<Figure>& figures) {
    platform::HMIDIOUT handle = 0;
    const auto start = Clock::now();
    const platform::MMRESULT result = platform::midiOutOpen(&handle, 0, 1, 0, 0);
    const double openMs = msSince(start);
    if (result != platform::MMSYSERR_NOERROR) {
        char text[256];
        platform::midiOutGetErrorTextA(result, text, sizeof text);
        std::printf("device 0 not opened, no audio figures: %s\n", text);
        return;
    }
    record(figures, "synth_device_open", openMs, "ms");
    platform::MidiOutDevice* device = platform::midiOutDeviceFor(handle);
    auto running = [device] {
        const auto state = platform::synth_testing::inspect(*device);
        return state && state->audioRunning;
    };

    if (!smoke) {
        std::this_thread::sleep_for(500ms);
        record(figures, "synth_device_cpu_silent_running", cpuPercentOver(2000ms), "percent");
        if (waitFor([&] { return !running(); }, 10s)) {
            // Nothing has sounded since the open.
            record(figures, "synth_device_pause_after", msSince(start), "ms");
            record(figures, "synth_device_cpu_paused", cpuPercentOver(2000ms), "percent");
            const auto resume = Clock::now();
            platform::midiOutShortMsg(handle, noteOn(60, 100));
            record(figures, "synth_device_resume_note", msSince(resume), "ms");
            std::this_thread::sleep_for(300ms);
            platform::midiOutShortMsg(handle, noteOn(60, 0));
        } else {
            std::printf("device 0 did not pause its output\n");
        }
    }
    const auto closing = Clock::now();
    platform::midiOutClose(handle);
    record(figures, "synth_device_close", msSince(closing), "ms");
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        smoke = smoke || std::strcmp(argv[i], "--smoke") == 0;
    }
    std::vector<Figure> figures;
    record(figures, "synth_output_latency", platform::synth_testing::configuredOutputLatencyMs(),
           "ms");
    benchOffline(smoke, figures);
    benchDevice(smoke, figures);
    appendJson("bench-results-synth.json", figures);
    return 0;
}
