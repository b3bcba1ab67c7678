#include "platform/FluidSynthOut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using platform::OfflineSynthesizer;

constexpr double kRate = 44100.0;
constexpr int kOrgan = 19; // holds its tone for as long as the key is down
constexpr int kMiddleC = 60;
// A note at full velocity measures about 0.01 to 0.02; reverb tails after the last voice
// are far below 1e-5.
constexpr double kAudible = 1e-3;
constexpr double kSilent = 1e-4;
// Longer than any release in the General MIDI fonts we look for.
constexpr double kReleaseLimit = 10.0;

uint32_t noteOn(int channel, int note, int velocity) {
    return static_cast<uint32_t>(0x90 + channel + note * 256 + velocity * 65536);
}
uint32_t noteOff(int channel, int note) {
    return static_cast<uint32_t>(0x80 + channel + note * 256);
}
uint32_t control(int channel, int controller, int value) {
    return static_cast<uint32_t>(0xB0 + channel + controller * 256 + value * 65536);
}
uint32_t program(int channel, int number) {
    return static_cast<uint32_t>(0xC0 + channel + number * 256);
}

bool anySoundFontInstalled() {
    for (const auto& path : platform::soundFontCandidates()) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            return true;
        }
    }
    return false;
}

class OfflineSynth : public ::testing::Test {
protected:
    void SetUp() override {
        if (!anySoundFontInstalled()) {
            GTEST_SKIP() << "no General MIDI sound font installed";
        }
        std::string error;
        synth = OfflineSynthesizer::create(kRate, &error);
        ASSERT_NE(synth, nullptr) << error;
    }

    void send(uint32_t message) { synth->device().shortMessage(message); }

    // RMS over both channels of the next seconds of output.
    double rms(double seconds) {
        std::vector<float> left(512);
        std::vector<float> right(512);
        double sum = 0.0;
        long samples = 0;
        for (long remaining = std::lround(seconds * kRate); remaining > 0;) {
            const int n = static_cast<int>(std::min<long>(remaining, 512));
            synth->render(left.data(), right.data(), n);
            for (int i = 0; i < n; ++i) {
                sum += double(left[i]) * left[i] + double(right[i]) * right[i];
            }
            samples += 2L * n;
            remaining -= n;
        }
        return samples > 0 ? std::sqrt(sum / samples) : 0.0;
    }

    // Renders until no voice sounds or the limit passes; whether the voices ended.
    bool voicesEnd(double limit) {
        for (double t = 0.0; t < limit; t += 0.1) {
            rms(0.1);
            if (synth->activeVoices() == 0) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<OfflineSynthesizer> synth;
};

TEST_F(OfflineSynth, NoteOnSoundsAndSilenceBeforeIt) {
    EXPECT_LT(rms(0.2), kSilent);
    EXPECT_EQ(synth->activeVoices(), 0);
    send(noteOn(0, kMiddleC, 127));
    EXPECT_GT(synth->activeVoices(), 0);
    EXPECT_GT(rms(0.3), kAudible);
}

struct Ending {
    const char* name;
    uint32_t message;
    bool ends;
};

void PrintTo(const Ending& e, std::ostream* os) {
    *os << e.name;
}

class NoteEnding : public OfflineSynth, public ::testing::WithParamInterface<Ending> {};

TEST_P(NoteEnding, OnlyTheSameNoteOnTheSameChannelEnds) {
    send(program(2, kOrgan));
    send(noteOn(2, kMiddleC, 100));
    rms(0.2);
    send(GetParam().message);
    EXPECT_EQ(voicesEnd(kReleaseLimit), GetParam().ends);
    if (GetParam().ends) {
        EXPECT_LT(rms(0.5), kSilent);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, NoteEnding,
    ::testing::Values(Ending{"VelocityZero", noteOn(2, kMiddleC, 0), true},
                      Ending{"NoteOff", noteOff(2, kMiddleC), true},
                      Ending{"VelocityZeroOtherChannel", noteOn(3, kMiddleC, 0), false},
                      Ending{"VelocityZeroOtherNote", noteOn(2, kMiddleC + 1, 0), false},
                      // Bits above the second data byte are not part of the message.
                      Ending{"TopByteIgnored", noteOn(2, kMiddleC, 0) | 0x7F000000u, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct Held {
    const char* name;
    bool sustain;
    bool reset;
    bool silentAfter;
};

void PrintTo(const Held& h, std::ostream* os) {
    *os << h.name;
}

class SustainAndReset : public OfflineSynth, public ::testing::WithParamInterface<Held> {};

TEST_P(SustainAndReset, ResetEndsNotesOnEveryChannelEvenWithSustainHeld) {
    const Held& h = GetParam();
    for (int channel = 0; channel < 16; ++channel) {
        send(program(channel, kOrgan));
        send(control(channel, 64, h.sustain ? 127 : 0));
        send(noteOn(channel, kMiddleC, 100));
    }
    rms(0.2);
    ASSERT_GT(synth->activeVoices(), 0);
    if (h.reset) {
        synth->device().reset();
    } else {
        for (int channel = 0; channel < 16; ++channel) {
            send(noteOn(channel, kMiddleC, 0));
        }
    }
    EXPECT_EQ(voicesEnd(kReleaseLimit), h.silentAfter);
    if (h.silentAfter) {
        EXPECT_LT(rms(0.5), kSilent);
    } else {
        EXPECT_GT(rms(0.5), kAudible);
    }
}

INSTANTIATE_TEST_SUITE_P(Pedal, SustainAndReset,
                         ::testing::Values(Held{"ReleasedKeys", false, false, true},
                                           Held{"ReleasedKeysUnderSustain", true, false, false},
                                           Held{"Reset", false, true, true},
                                           Held{"ResetUnderSustain", true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OfflineSynth, ResetLiftsThePedalForLaterNotes) {
    send(program(0, kOrgan));
    send(control(0, 64, 127));
    synth->device().reset();
    send(noteOn(0, kMiddleC, 100));
    rms(0.2);
    send(noteOn(0, kMiddleC, 0));
    EXPECT_TRUE(voicesEnd(kReleaseLimit));
}

TEST_F(OfflineSynth, ResetKeepsExpression) {
    send(control(0, 11, 0));
    synth->device().reset();
    send(noteOn(0, kMiddleC, 127));
    const double quiet = rms(0.3);
    send(noteOn(0, kMiddleC, 0));
    ASSERT_TRUE(voicesEnd(kReleaseLimit));
    // The same note on a channel whose expression was never lowered.
    send(noteOn(1, kMiddleC, 127));
    const double loud = rms(0.3);
    EXPECT_GT(loud, kAudible);
    EXPECT_LT(quiet, loud / 100);
}

TEST_F(OfflineSynth, ResetKeepsPrograms) {
    // Instruments differ in how many voices one key starts; find one that differs from the
    // first program, on a channel of its own.
    auto voicesFor = [this](int number) {
        send(program(5, number));
        const int before = synth->activeVoices();
        send(noteOn(5, kMiddleC, 100));
        const int started = synth->activeVoices() - before;
        send(control(5, 120, 0));
        rms(0.02);
        return started;
    };
    const int first = voicesFor(0);
    int chosen = -1;
    for (int number = 1; number < 128 && chosen < 0; ++number) {
        if (voicesFor(number) != first) {
            chosen = number;
        }
    }
    if (chosen < 0) {
        GTEST_SKIP() << "every instrument of this sound font starts the same number of voices";
    }
    const int expected = voicesFor(chosen);

    send(program(0, chosen));
    synth->device().reset();
    ASSERT_TRUE(voicesEnd(kReleaseLimit));
    send(noteOn(0, kMiddleC, 100));
    EXPECT_EQ(synth->activeVoices(), expected);
}

TEST_F(OfflineSynth, MessagesThatAreNotNotesControlsOrProgramsAreIgnored) {
    const uint32_t ignored[] = {
        0x00000000u,              // no status
        0x007F3C10u,              // data byte where the status belongs
        0x00003CE0u,              // pitch bend
        0x00003CD0u,              // channel pressure
        0x007F3CA0u,              // key pressure
        0x000000F0u, 0x000000F8u, // system exclusive, clock
        0x000000FFu,              // system reset
        0x00FF3C90u,              // velocity outside MIDI data
        0x007FBC90u,              // note outside MIDI data
        0xFFFFFFFFu,
    };
    for (uint32_t m : ignored) {
        send(m);
    }
    EXPECT_EQ(synth->activeVoices(), 0);
    EXPECT_LT(rms(0.2), kSilent);
    send(noteOn(0, kMiddleC, 127));
    EXPECT_GT(rms(0.3), kAudible);
}

} // namespace
