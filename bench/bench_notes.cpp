// The cost of PlayNote, the call every Effect tick makes: through the recording device,
// and through the built-in synthesizer rendering offline between notes.
#include "BenchSupport.h"

#include "doubles/SynthTesting.h"
#include "platform/synth/FluidSynthOut.h"

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

// A tune walked forwards, as with a rightward DX1.
FormState walkingState(platform::RandomSource& random, PemSoundsModule::Link& sound) {
    FormState s;
    s.Output = &sound;
    Tunes::LoadFirstTune(s, random);
    s.DX1 = 1;
    return s;
}

double medianPlayNote(FormState& s, int notes, const std::function<void()>& between) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(notes));
    for (int i = 0; i < notes; ++i) {
        s.Instrument = static_cast<int16_t>(i / 50 % 80);
        const auto t0 = bench::Clock::now();
        PlayNote(s);
        const auto t1 = bench::Clock::now();
        times.push_back(bench::microsecondsBetween(t0, t1));
        between();
    }
    return bench::median(times);
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    QCoreApplication app(argc, argv);
    bench::FixedSeedRandom random;
    bench::Report report("notes");

    {
        bench::RecorderScope recorder;
        FormState s = walkingState(random, recorder.link());
        const int notes = smoke ? 2000 : 200000;
        const double us = medianPlayNote(s, notes, [&] {
            if (recorder.log().events.size() > 30000) {
                recorder.log().clear();
            }
        });
        report.add("play_note_recorder", us, "us", bench::below(20.0));
    }

    // Every installed General MIDI font: the offline synthesizer applies the messages in
    // this thread, so a program change's loading shows here (the program's device does it
    // on its own thread: bench_synth).
    for (const std::string& font : platform::synth_testing::installedSoundFonts()) {
        setenv("ZELPHOR_SOUNDFONT", font.c_str(), 1);
        std::error_code ec;
        const std::string name = std::filesystem::canonical(font, ec).stem().string();
        std::string error;
        auto synth = platform::OfflineSynthesizer::create(44100, &error);
        if (!synth) {
            report.note("no offline synthesizer for " + name + ": " + error);
            continue;
        }
        platform::MidiOutRegistry devices({platform::deviceOnto(synth->device())});
        PemSoundsModule::Link link(devices, {});
        SoundCard card(link);
        int16_t device = 0;
        card.OpenCard(device);
        // 5 ms of sound between notes: the pace of the fastest Effects.
        const int frames = 221;
        std::vector<float> left(frames);
        std::vector<float> right(frames);
        FormState s = walkingState(random, link);
        const int notes = smoke ? 200 : 20000;
        const double us =
            medianPlayNote(s, notes, [&] { synth->render(left.data(), right.data(), frames); });
        report.add("play_note_offline_synth_" + name, us, "us");
        card.CloseCard();
    }
    report.write();
    return 0;
}
