#include "platform/FluidSynthOut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kOrgan = 19; // holds its tone for as long as the key is down
constexpr uint32_t kC = 60;
// A note at full velocity measures about 0.01 to 0.02; reverb tails are far below 1e-5.
constexpr double kAudible = 1e-3;
constexpr double kSilent = 1e-4;

// A message for channel 0 to 15 from its status, e.g. 0x90 for a note-on.
uint32_t msg(uint32_t status, uint32_t channel, uint32_t data1, uint32_t data2 = 0) {
    return status + channel + data1 * 256 + data2 * 65536;
}

// Rendering follows the messages, so the library's own handling of them is tested here.
TEST(OfflineSynth, NotesEndOnlyWhenTheirOwnKeyIsReleasedOrOnReset) {
    bool found = false;
    for (const auto& path : platform::soundFontCandidates()) {
        std::error_code ec;
        found = found || std::filesystem::is_regular_file(path, ec);
    }
    if (!found) {
        GTEST_SKIP() << "no General MIDI sound font installed";
    }
    std::string error;
    const auto synth = platform::OfflineSynthesizer::create(44100.0, &error);
    ASSERT_NE(synth, nullptr) << error;
    auto send = [&](uint32_t message) { synth->device().shortMessage(message); };
    // RMS over both channels of the next tenth of a second.
    auto rms = [&] {
        std::vector<float> left(4410), right(4410);
        synth->render(left.data(), right.data(), 4410);
        double sum = 0.0;
        for (std::size_t i = 0; i < left.size(); ++i) {
            sum += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
        return std::sqrt(sum / 8820.0);
    };
    // Whether every voice ends within ten seconds, longer than any release in the fonts.
    auto voicesEnd = [&] {
        for (int step = 0; step < 100 && synth->activeVoices() > 0; ++step) {
            rms();
        }
        return synth->activeVoices() == 0 && rms() < kSilent;
    };

    // No status, data byte as status, pitch bend, channel and key pressure, system exclusive,
    // clock, system reset, data bytes above 127: all ignored.
    for (uint32_t m : {0x00000000u, 0x007F3C10u, 0x00003CE0u, 0x00003CD0u, 0x007F3CA0u, 0x000000F0u,
                       0x000000F8u, 0x000000FFu, 0x00FF3C90u, 0x007FBC90u, 0xFFFFFFFFu}) {
        send(m);
    }
    EXPECT_LT(rms(), kSilent);

    const std::pair<uint32_t, const char*> endings[] = {
        {msg(0x90, 2, kC, 0), "velocity 0"},
        {msg(0x80, 2, kC), "note-off"},
        // Bits above the second data byte are not part of the message.
        {msg(0x90, 2, kC, 0) | 0x7F000000u, "top byte set"}};
    send(msg(0xC0, 2, kOrgan));
    for (const auto& [message, name] : endings) {
        send(msg(0x90, 2, kC, 100));
        EXPECT_GT(rms(), kAudible) << name;
        send(msg(0x90, 3, kC, 0));
        send(msg(0x90, 2, kC + 1, 0));
        EXPECT_GT(rms(), kAudible) << "other channel or note " << name;
        send(message);
        EXPECT_TRUE(voicesEnd()) << name;
    }

    // Under the sustain pedal released keys keep sounding, but a reset ends them all.
    for (uint32_t channel = 0; channel < 16; ++channel) {
        send(msg(0xC0, channel, kOrgan));
        send(msg(0xB0, channel, 64, 127));
        send(msg(0x90, channel, kC, 100));
        send(msg(0x90, channel, kC, 0));
    }
    for (int i = 0; i < 10; ++i) {
        rms();
    }
    EXPECT_GT(rms(), kAudible);
    send(msg(0xB0, 0, 11, 0)); // expression, which the reset keeps
    synth->device().reset();
    EXPECT_TRUE(voicesEnd());

    // The pedal is lifted; the expression stays.
    send(msg(0x90, 0, kC, 127));
    const double quiet = rms();
    send(msg(0x90, 0, kC, 0));
    EXPECT_TRUE(voicesEnd());
    send(msg(0x90, 1, kC, 127));
    const double loud = rms();
    EXPECT_GT(loud, kAudible);
    EXPECT_LT(quiet, loud / 100);
}

} // namespace
