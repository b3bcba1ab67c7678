// An audio output of the synthesizer library that stops rendering (a JACK server gone, an
// ALSA device failed) is found out, ended and opened again with a back-off, with one line
// on standard error for the loss and one for the return. The output here is a stand-in
// that renders on a thread of its own while its server is up, as the library's drivers do:
// this machine has no ALSA device that could be taken away, and the end-to-end test does
// the same with a real JACK server.
#include "platform/synth/AudioOutput.h"
#include "platform/synth/Reconnect.h"
#include "platform/synth/WatchedOutput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::synth::OutputPtr;
using platform::synth::Renderer;
using platform::synth::RunningOutput;
using Clock = std::chrono::steady_clock;

// How a server behaves towards the stand-in outputs.
struct Server {
    std::atomic<bool> up{true}; // takes new outputs, and its outputs render
    // Each output renders this many blocks and then stalls; for ever when negative.
    std::atomic<int> blocksPerOutput{-1};
    std::atomic<int> opens{0};        // outputs asked for
    std::atomic<int> dropsAtStart{0}; // outputs whose first block ended the gap's notes
    std::chrono::milliseconds openTime{0};
};

// Renders a block every 2 ms while its server is up, on a thread it owns.
class StandInOutput final : public RunningOutput {
public:
    StandInOutput(Renderer& renderer, Server& server) {
        thread_ = std::thread([&renderer, &server, this] {
            for (int n = 0;
                 !quit_ && server.up && (server.blocksPerOutput < 0 || n < server.blocksPerOutput);
                 ++n) {
                if (n == 0 && renderer.dropPending.exchange(false)) {
                    ++server.dropsAtStart;
                }
                renderer.blocks.fetch_add(1);
                std::this_thread::sleep_for(2ms);
            }
        });
    }
    ~StandInOutput() override {
        quit_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

struct Watched {
    Watched() : renderer(nullptr, 44100.0) {}

    bool start() {
        output = platform::synth::startWatchedOutput(
            renderer, "test",
            [this]() -> OutputPtr {
                ++server.opens;
                std::this_thread::sleep_for(server.openTime);
                if (!server.up) {
                    return nullptr;
                }
                return std::make_unique<StandInOutput>(renderer, server);
            },
            {20ms, 100ms});
        return output != nullptr;
    }

    Server server;
    Renderer renderer;
    OutputPtr output;
};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// No more than ten tries a second, however the output fails.
void expectBackOff(int opens, Clock::time_point since) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
    EXPECT_LE(opens, 2 + elapsed / 100ms) << opens << " tries in " << elapsed.count() << " ms";
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// A few tries a second at first, then one every 2 s, never longer.
TEST(OutputBackOff, AFewTriesInTheFirstSecondThenEveryTwoSeconds) {
    using platform::synth::retryDelay;
    std::chrono::milliseconds elapsed{0};
    int inFirstSecond = 0;
    for (std::size_t failures = 0; failures < 40; ++failures) {
        elapsed += retryDelay(failures);
        inFirstSecond += elapsed <= 1s ? 1 : 0;
        EXPECT_LE(retryDelay(failures), 2s) << failures;
        if (failures > 0) {
            EXPECT_GE(retryDelay(failures), retryDelay(failures - 1)) << failures;
        }
    }
    EXPECT_GE(inFirstSecond, 3);
    EXPECT_EQ(retryDelay(39), 2s);
}

TEST(WatchedOutput, AFirstOpenRefusedIsNoOutputAndNoLine) {
    Watched w;
    w.server.up = false;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w.start());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(w.server.opens, 1);
}

// The server goes away and comes back, twice: each time one line for the loss and one for
// the return, tries meanwhile, and the notes of the gap ended at the new output's start.
TEST(WatchedOutput, ALostOutputIsOpenedAgainOnceTheServerIsBack) {
    Watched w;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w.start());
    for (int round = 1; round <= 2; ++round) {
        const int opensBefore = w.server.opens;
        const auto away = Clock::now();
        w.server.up = false;
        EXPECT_TRUE(waitFor([&] { return w.server.opens >= opensBefore + 3; }))
            << "tries while away: " << w.server.opens - opensBefore;
        std::this_thread::sleep_for(300ms);
        expectBackOff(w.server.opens - opensBefore, away);
        w.server.up = true;
        const auto back = Clock::now();
        const auto blocks = w.renderer.blocks.load();
        EXPECT_TRUE(waitFor([&] { return w.renderer.blocks > blocks + 10; }))
            << "no blocks after the server came back";
        EXPECT_LT(Clock::now() - back, 3s);
        EXPECT_TRUE(waitFor([&] { return !w.renderer.lost; })) << "the return is not said";
        EXPECT_EQ(w.server.dropsAtStart, round);
    }
    w.output.reset();
    const std::string lines = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count(lines, "the sound is lost: the test output has stopped playing"), 2u) << lines;
    EXPECT_EQ(count(lines, "the sound is back"), 2u) << lines;
}

// A server that takes the output and has it fill its buffer but never play on: the loss is
// said once, the tries go on, and no return is said.
TEST(WatchedOutput, AnOutputThatOpensButNeverPlaysOnIsTriedAgainWithoutALine) {
    Watched w;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(w.start());
    w.server.blocksPerOutput = 3;
    // Each new output is given 100 ms to play here, and then the back-off: 2.5 s hold the
    // first five tries of it, and ten times as many without it.
    std::this_thread::sleep_for(2500ms);
    EXPECT_GE(w.server.opens, 4);
    EXPECT_LE(w.server.opens, 8);
    w.output.reset();
    const std::string lines = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count(lines, "the sound is lost"), 1u) << lines;
    EXPECT_EQ(count(lines, "the sound is back"), 0u) << lines;
}

// Ending the output while the server is away, even while a try is under way, waits for that
// try and for the watch's thread, and for nothing else.
TEST(WatchedOutput, EndsPromptlyWhileTheServerIsAway) {
    for (const auto openTime : {0ms, 150ms}) {
        Watched w;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(w.start());
        w.server.openTime = openTime;
        w.server.up = false;
        EXPECT_TRUE(waitFor([&] { return w.server.opens >= 3; }));
        const auto start = Clock::now();
        w.output.reset();
        EXPECT_LT(Clock::now() - start, openTime + 250ms) << openTime.count();
        testing::internal::GetCapturedStderr();
    }
}

} // namespace
