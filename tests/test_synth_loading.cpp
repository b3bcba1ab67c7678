#include "doubles/SynthTesting.h"
#include "platform/synth/FluidSynthOut.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// Samples are read from the font when a preset is first chosen, and must never be read
// again: an Effect changes its instrument at every step, and a compressed font would
// decode the same samples over and over.
namespace {

namespace st = platform::synth_testing;
using testing_support::ScopedEnv;

// Bytes this process has read from files so far; each look reads about a hundred itself,
// far fewer than any instrument's samples.
uint64_t bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}

constexpr uint64_t kLookCost = 1024;

uint32_t msg(uint32_t status, uint32_t channel, uint32_t data1, uint32_t data2 = 0) {
    return status | channel | (data1 << 8) | (data2 << 16);
}

class PresetLoads : public ::testing::TestWithParam<std::string> {};

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PresetLoads);
INSTANTIATE_TEST_SUITE_P(Fonts, PresetLoads, ::testing::ValuesIn(st::installedSoundFonts()));

TEST_P(PresetLoads, EachPresetIsReadOnceHoweverOftenItIsChosen) {
    ScopedEnv font("ZELPHOR_SOUNDFONT", GetParam());
    std::string error;
    auto synth = platform::OfflineSynthesizer::create(44100.0, &error, st::settings());
    ASSERT_TRUE(synth) << error;
    std::vector<float> left(441), right(441);
    // One channel going from instrument to instrument as an Effect does, another on the
    // jingle's program and back, and the drum kit chosen again.
    struct Choice {
        uint32_t channel;
        uint32_t program;
    };
    const std::vector<Choice> round{{0, 0}, {0, 24}, {0, 48}, {1, 55}, {0, 79},
                                    {1, 0}, {9, 0},  {0, 24}, {1, 55}, {9, 0}};
    auto play = [&] {
        for (const Choice& c : round) {
            synth->device().shortMessage(msg(0xC0, c.channel, c.program));
            synth->device().shortMessage(msg(0x90, c.channel, 60, 100));
            synth->render(left.data(), right.data(), 441);
            synth->device().shortMessage(msg(0x90, c.channel, 60, 0));
        }
    };
    const uint64_t before = bytesRead();
    play();
    const uint64_t firstRound = bytesRead() - before;
    EXPECT_GT(firstRound, 10 * kLookCost) << "the samples were not read when chosen";
    for (int again = 0; again < 3; ++again) {
        const uint64_t from = bytesRead();
        play();
        EXPECT_LT(bytesRead() - from, kLookCost) << "round " << again + 2 << " read the font again";
    }
}

} // namespace
