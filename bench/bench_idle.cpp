// At rest: the whole process's CPU with no Effect running and no note sounding, and during
// a Pause. Each device runs in a process of its own so that one leaves nothing behind for
// the other: the recorder always, the built-in synthesizer when it can reach an audio server.
#include "ProgramBench.h"

#include "doubles/SynthTesting.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

int runChild(const char* device, bool smoke) {
    const pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        std::vector<const char*> args = {"bench_idle", "--device", device};
        if (smoke) {
            args.push_back("--smoke");
        }
        args.push_back(nullptr);
        execv("/proc/self/exe", const_cast<char* const*>(args.data()));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double cpuPercentOver(std::chrono::milliseconds time) {
    const double cpu = bench::cpuSeconds();
    const auto start = bench::Clock::now();
    bench::runEventLoop(time);
    return 100.0 * (bench::cpuSeconds() - cpu) / bench::secondsSince(start);
}

int measure(int argc, char** argv, const std::string& device, bool smoke) {
    bench::chooseOffscreenScreen();
    QApplication app(argc, argv);
    const bool synth = device == "synth";
    bench::Report report("idle-" + device);
    bench::Program program(synth ? bench::Program::Device::Synthesizer
                                 : bench::Program::Device::Recorder);
    if (synth && !program.boxes().isEmpty()) {
        report.note("device 0 not opened, no figures for it: " +
                    program.boxes().first().simplified().toStdString());
        report.write();
        return 0;
    }

    // The jingle's last note dies away in the first half; the second half is at rest.
    const auto half = std::chrono::milliseconds(smoke ? 500 : 5000);
    report.add("idle_" + device + "_first_half", cpuPercentOver(half), "percent");
    report.add("idle_" + device, cpuPercentOver(half), "percent", bench::below(1.0));
    if (synth) {
        platform::MidiOutDevice* out =
            MainSplash::MySoundCard->HandleForMidiOut() != 0 ? program.device() : nullptr;
        const auto state = out ? platform::synth_testing::inspect(*out) : std::nullopt;
        if (state) {
            report.add("idle_synth_audio_output_running", state->audioRunning ? 1 : 0, "bool");
        }
    }

    const int16_t pause = smoke ? 100 : 500;
    const double cpu = bench::cpuSeconds();
    const auto start = bench::Clock::now();
    MainSplash::Pause(pause);
    const double wall = bench::secondsSince(start);
    report.add("pause_" + std::to_string(pause) + "ms_" + device,
               100.0 * (bench::cpuSeconds() - cpu) / wall, "percent", bench::below(5.0));
    report.write();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    if (const auto device = bench::option(argc, argv, "--device")) {
        return measure(argc, argv, *device, smoke);
    }
    int status = runChild("recorder", smoke);
    if (!smoke && status == 0) {
        status = runChild("synth", smoke);
    }
    return status;
}
