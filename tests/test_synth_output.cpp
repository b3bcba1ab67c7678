#include "doubles/SynthTesting.h"
#include "platform/synth/FluidSynthOut.h"
#include "platform/synth/Limiter.h"
#include "platform/synth/MessageChannel.h"
#include "platform/synth/MessageQueue.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace st = platform::synth_testing;
using platform::synth::Limiter;
using platform::synth::MessageQueue;
using platform::synth::QueuedMessage;

constexpr uint32_t kReset = 0xFFFFFFFF; // stands for a reset in the tables below

std::vector<uint32_t> drained(MessageQueue& queue) {
    std::vector<QueuedMessage> entries;
    queue.takeAll(entries);
    std::vector<uint32_t> out;
    for (const auto& e : entries) {
        out.push_back(e.reset ? kReset : e.message);
    }
    return out;
}

// A full queue never blocks: it drops what comes, except a reset, which ends the queued
// notes' sound anyway and keeps the latest value of every controller.
TEST(SynthQueue, FullQueueDropsNewMessagesButNeverAReset) {
    struct Case {
        const char* what;
        std::size_t capacity;
        std::vector<uint32_t> sent;
        std::vector<uint32_t> applied;
        std::size_t dropped;
    };
    const Case cases[] = {
        {"in order below the capacity",
         4,
         {0x13C0, 0x7F3C90, kReset},
         {0x13C0, 0x7F3C90, kReset},
         0},
        {"full: the newest is dropped", 2, {0x13C0, 0x7F3C90, 0x3C90}, {0x13C0, 0x7F3C90}, 1},
        {"full: a reset keeps the last of each controller",
         4,
         {0x400BB0, 0x7F3C90, 0x650BB0, 0x7F0BB1, kReset},
         {0x650BB0, 0x7F0BB1, kReset},
         2},
        {"full of resets and notes", 2, {kReset, 0x7F3C90, kReset}, {kReset}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageQueue queue(c.capacity);
        for (uint32_t m : c.sent) {
            if (m == kReset) {
                queue.pushReset();
            } else {
                queue.push(m);
            }
        }
        EXPECT_EQ(queue.dropped(), c.dropped);
        EXPECT_EQ(drained(queue), c.applied);
        EXPECT_TRUE(queue.empty());
    }
}

// Between two threads, with a receiver far slower than the sender: what arrives comes in
// the order sent, every reset arrives, and each message either arrives or is counted as
// dropped.
TEST(SynthQueue, TheChannelKeepsOrderAndResetsWithASlowReceiver) {
    platform::synth::MessageChannel channel(64);
    constexpr uint32_t kMessages = 20000;
    // Notes numbered in their unused upper bytes, so that their order shows.
    constexpr uint32_t kLast = 0x90 + ((kMessages + 1) << 8);
    std::vector<QueuedMessage> received;
    std::thread receiver([&] {
        std::vector<QueuedMessage> batch;
        for (;;) {
            channel.takeAll(batch);
            received.insert(received.end(), batch.begin(), batch.end());
            channel.markApplied();
            if (!batch.empty() && !batch.back().reset && batch.back().message == kLast) {
                return;
            }
            if (batch.empty()) {
                channel.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(1));
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    });
    for (uint32_t i = 1; i <= kMessages; ++i) {
        channel.push(0x90 + (i << 8));
        if (i % 1000 == 0) {
            channel.pushReset();
        }
    }
    channel.pushReset();
    channel.push(kLast);
    receiver.join();
    std::size_t resetsSeen = 0;
    uint32_t previous = 0;
    for (const auto& m : received) {
        resetsSeen += m.reset ? 1 : 0;
        if (!m.reset) {
            EXPECT_GT(m.message, previous) << "out of order";
            previous = m.message;
        }
    }
    EXPECT_GE(resetsSeen, 1u);
    EXPECT_TRUE(received[received.size() - 2].reset) << "the last reset came before the end";
    EXPECT_EQ(channel.done(), channel.sent());
    EXPECT_EQ(received.size() + channel.dropped(), channel.sent());
    EXPECT_GT(channel.dropped(), 0u) << "the receiver never fell behind";
}

std::vector<float> sine(float amplitude, int frames) {
    std::vector<float> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        out[static_cast<std::size_t>(i)] =
            amplitude * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / 44100.0));
    }
    return out;
}

float peakOf(const std::vector<float>& v, std::size_t from = 0) {
    float peak = 0.0f;
    for (std::size_t i = from; i < v.size(); ++i) {
        peak = std::max(peak, std::fabs(v[i]));
    }
    return peak;
}

// Below the ceiling the sound passes untouched; above it nothing reaches full scale, and the
// level comes back within a second.
TEST(SynthLimiter, KeepsPeaksUnderTheCeilingAndRecovers) {
    for (const float amplitude : {0.5f, 0.89f, 1.0f, 4.0f, 40.0f}) {
        SCOPED_TRACE(amplitude);
        Limiter limiter(44100.0);
        std::vector<float> left = sine(amplitude, 4410);
        std::vector<float> right = left;
        const std::vector<float> original = left;
        limiter.process(left.data(), right.data(), 4410);
        EXPECT_LE(peakOf(left), Limiter::kCeiling + 1e-6f);
        if (amplitude < Limiter::kCeiling) {
            EXPECT_EQ(left, original);
        }
        std::vector<float> quiet = sine(0.25f, 44100);
        std::vector<float> quietRight = quiet;
        limiter.process(quiet.data(), quietRight.data(), 44100);
        EXPECT_NEAR(peakOf(quiet, 40000), 0.25f, 0.01f);
    }
}

uint32_t msg(uint32_t status, uint32_t channel, uint32_t data1, uint32_t data2 = 0) {
    return status + channel + data1 * 256 + data2 * 65536;
}

class FontOutput : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        testing_support::ScopedEnv font("ZELPHOR_SOUNDFONT", GetParam());
        std::string error;
        synth = platform::OfflineSynthesizer::create(44100.0, &error);
        ASSERT_NE(synth, nullptr) << error;
    }
    void send(std::initializer_list<uint32_t> messages) {
        for (uint32_t m : messages) {
            synth->device().shortMessage(m);
        }
    }
    // Peak and RMS of both channels over the next frames.
    std::pair<float, double> level(int frames) {
        std::vector<float> left(static_cast<std::size_t>(frames));
        std::vector<float> right(left.size());
        synth->render(left.data(), right.data(), frames);
        double sum = 0.0;
        for (std::size_t i = 0; i < left.size(); ++i) {
            sum += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
        return {std::max(peakOf(left), peakOf(right)), std::sqrt(sum / double(2 * left.size()))};
    }
    // Whether the sound has died away within ten seconds.
    bool fadesOut() {
        for (int step = 0; step < 100; ++step) {
            if (level(4410).second < 1e-4) {
                return true;
            }
        }
        return false;
    }
    std::unique_ptr<platform::OfflineSynthesizer> synth;
};

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FontOutput);
INSTANTIATE_TEST_SUITE_P(Fonts, FontOutput, ::testing::ValuesIn(st::installedSoundFonts()));

// Loud enough beside other desktop sound, with room left for several notes at once.
TEST_P(FontOutput, AFullVelocityPianoNotePeaksBetweenMinus12AndMinus3Dbfs) {
    send({msg(0xC0, 0, 0), msg(0x90, 0, 60, 127)});
    const double dbfs = 20.0 * std::log10(level(44100).first);
    EXPECT_GE(dbfs, -12.0);
    EXPECT_LE(dbfs, -3.0);
}

// Velocity 0, note-off and a velocity 0 with bits set above its second data byte end the
// note; a data byte above 127 is no MIDI data and is dropped; a reset ends notes held by
// the pedal on every channel.
TEST_P(FontOutput, NotesEndByTheirOwnKeyOrAReset) {
    constexpr uint32_t kOrgan = 19, kC = 60;
    constexpr double kAudible = 1e-3;
    send({msg(0xC0, 2, kOrgan)});
    for (uint32_t ending :
         {msg(0x90, 2, kC, 0), msg(0x80, 2, kC), msg(0x90, 2, kC) | 0x7F000000u}) {
        send({msg(0x90, 2, kC, 100), msg(0x90, 3, kC, 0), msg(0x90, 2, kC + 1, 0),
              msg(0x90, 2, 0x80 + kC, 0)});
        EXPECT_GT(level(4410).second, kAudible) << "ended by another channel or note";
        send({ending});
        EXPECT_TRUE(fadesOut()) << std::hex << ending;
    }
    send({msg(0x90, 2, kC, 0x80)});
    EXPECT_TRUE(fadesOut()) << "a velocity above 127 was played";
    // Before any program a channel plays the first one, drums on channel 10; program 128,
    // which would leave a fresh channel without an instrument, is dropped.
    send({msg(0xC0, 4, 0x80)});
    for (const uint32_t channel : {4u, 5u, 9u}) {
        send({msg(0x90, channel, 38, 100)});
        EXPECT_GT(level(4410).second, kAudible) << "channel " << channel << " is silent";
        send({msg(0x90, channel, 38, 0)});
        EXPECT_TRUE(fadesOut());
    }

    for (uint32_t ch = 0; ch < 16; ++ch) {
        send({msg(0xC0, ch, kOrgan), msg(0xB0, ch, 64, 127), msg(0x90, ch, kC, 100),
              msg(0x90, ch, kC, 0)});
    }
    level(44100);
    EXPECT_GT(level(4410).second, kAudible);
    synth->device().reset();
    EXPECT_TRUE(fadesOut());
}

} // namespace
