#include "effects/Effects.h"
#include "effects/Primitives.h"
#include "platform/Random.h"
#include "platform/Rounding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::RGB;
using testing_support::FakeHost;
using testing_support::OpenRecorder;
using testing_support::ScriptedNumbers;

namespace {

constexpr int32_t White = 0xFFFFFF;

// Order of draws ('r') and reseeds ('s'), each draw 0.5.
class DrawLog final : public platform::RandomSource {
public:
    DrawLog() { platform::setRandomSource(this); }
    ~DrawLog() override { platform::setRandomSource(nullptr); }
    float next() override {
        trace += 'r';
        return 0.5f;
    }
    void reseed() override { trace += 's'; }
    std::string trace;
};

// The numbers one activation draws, in its order.
std::vector<float> holeNumbers(float instrument, float x, float y, float radius,
                               std::vector<float> colour = {0.5f, 0.5f, 0.5f}) {
    std::vector<float> v = {instrument, x, y};
    v.insert(v.end(), colour.begin(), colour.end());
    v.push_back(radius);
    return v;
}

std::vector<float> operator+(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The first lit pixel right of (x, y): the ring of a circle centred there.
int32_t ringRightOf(const platform::DrawingSurface& pic, int x, int y) {
    for (int px = x + 1; px < pic.image().width(); ++px) {
        if (pic.pixel(px, y) != 0) {
            return pic.pixel(px, y);
        }
    }
    return -1;
}

} // namespace

TEST(BlackHoles, ActivationPlacesAHoleWithoutDrawingOrPlaying) {
    OpenRecorder midi;
    FakeHost host;
    host.selectedTune = 1;
    BlackHoles holes(host);
    auto& pic = host.MyPic();
    pic.setDrawWidth(1);
    pic.setFillColor(White);
    const std::size_t sentBefore = midi.log().events.size();
    ScriptedNumbers rnd(holeNumbers(0.5f, 0.25f, 0.5f, 0.5f, {0.0f, 0.0078125f, 0.999f}));

    holes.CmdBlackHoles_Click();

    const FormState& s = host.state();
    EXPECT_EQ(host.caption(), "Zelphor Version 1.0 Rev 24 showing Black Holes to tune Major");
    EXPECT_EQ(s.Instrument, 40);
    EXPECT_EQ(s.X1, 256.0f);
    EXPECT_EQ(s.Y1, 297.0f);
    // 64.5 rounds to the even 64; 254.8 to 255.
    EXPECT_EQ(s.PenColour, RGB(63, 64, 255));
    EXPECT_EQ(s.Radius, 118.8f);
    EXPECT_EQ(pic.DrawWidth(), 3);
    EXPECT_EQ(pic.FillColor(), 0);
    EXPECT_EQ(pic.FillStyle(), platform::DrawingSurface::FillTransparent);
    EXPECT_TRUE(host.timerEnabled(EffectTimer::CircleTimer));
    EXPECT_EQ(host.playNoteCalls, 0);
    EXPECT_EQ(midi.log().events.size(), sentBefore);
    EXPECT_TRUE(pic.takeDirty().isEmpty());
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
}

TEST(BlackHoles, DrawsAndReseedsInTheirOrder) {
    FakeHost host;
    BlackHoles holes(host);
    struct Case {
        std::string step;
        void (BlackHoles::*run)();
        std::string trace;
    };
    // The instrument is drawn before the reseed; a tick reseeds before its colour.
    const Case cases[] = {{"click", &BlackHoles::CmdBlackHoles_Click, "rsrrrrrr"},
                          {"tick", &BlackHoles::CircleTimer_Timer, "srrr"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        DrawLog log;
        (holes.*c.run)();
        EXPECT_EQ(log.trace, c.trace);
    }
}

TEST(BlackHoles, AHoleHasCirclesUntilTheRadiusFallsBelowTen) {
    OpenRecorder midi;
    FakeHost host;
    BlackHoles holes(host);
    struct Case {
        float startRadius;
        int circles;
    };
    // n is the smallest with R0 * 0.9^n < 10; the start radius itself is never drawn.
    // 11.111111 shrinks to exactly 10 (the product rounded to a float), not yet below.
    const Case cases[] = {{1000.0f, 44},   {237.6f, 31}, {100.0f, 22}, {11.2f, 2},
                          {11.111111f, 2}, {11.0f, 1},   {5.0f, 1},    {0.0f, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startRadius);
        holes.CmdBlackHoles_Click();
        FormState& s = host.state();
        s.Radius = c.startRadius;
        const int notesBefore = host.playNoteCalls;
        int circles = 0;
        bool restarted = false;
        while (!restarted && circles < 100) {
            host.setCaption(QString());
            holes.CircleTimer_Timer();
            ++circles;
            restarted = !host.caption().isEmpty();
            for (int c32 : {platform::redOf(s.PenColour), platform::greenOf(s.PenColour),
                            platform::blueOf(s.PenColour)}) {
                EXPECT_GE(c32, 63);
                EXPECT_LE(c32, 255);
            }
        }
        EXPECT_EQ(circles, c.circles);
        EXPECT_EQ(host.playNoteCalls - notesBefore, circles);
        EXPECT_TRUE(host.timerEnabled(EffectTimer::CircleTimer));
    }
    EXPECT_EQ(testing_support::playedNotes(midi.log()).size(),
              static_cast<std::size_t>(host.playNoteCalls));
}

TEST(BlackHoles, ASmallHoleDrawsOneCircleAndTheNextHoleStartsInTheSameTick) {
    FakeHost host;
    BlackHoles holes(host);
    ScriptedNumbers rnd(holeNumbers(0.1f, 0.5f, 0.5f, 0.02f) + std::vector<float>{1, 1, 1} +
                        holeNumbers(0.9f, 0.25f, 0.25f, 0.75f));
    holes.CmdBlackHoles_Click();
    const FormState& s = host.state();
    EXPECT_EQ(s.Radius, 4.752f);
    EXPECT_EQ(s.Instrument, 8);
    host.selectedTune = 2;

    holes.CircleTimer_Timer();

    // The circle of radius 4.28 round the old centre (512, 297), in the tick's colour.
    EXPECT_EQ(ringRightOf(host.MyPic(), 512, 297), White);
    EXPECT_EQ(host.MyPic().pixel(512 + 8, 297), 0);
    EXPECT_EQ(host.caption(), "Zelphor Version 1.0 Rev 24 showing Black Holes to tune Minor");
    EXPECT_EQ(s.Instrument, 72);
    EXPECT_EQ(s.X1, 256.0f);
    EXPECT_EQ(s.Y1, 148.5f);
    EXPECT_EQ(s.Radius, static_cast<float>(0.75 * 0.4 * 594));
    EXPECT_EQ(host.playNoteCalls, 1);
    EXPECT_TRUE(host.timerEnabled(EffectTimer::CircleTimer));
    EXPECT_EQ(rnd.numbers().reseeds(), 3u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(rnd.numbers().remaining(), 0u);
}

TEST(BlackHoles, OutlinesAreLightColours) {
    struct Case {
        std::vector<float> draws;
        int32_t colour;
    };
    const Case cases[] = {
        {{0.0f, 0.0f, 0.0f}, RGB(63, 63, 63)},
        {{0.99999994f, 0.99999994f, 0.99999994f}, RGB(255, 255, 255)},
        {{0.5f, 0.0f, 0.99999994f}, RGB(159, 63, 255)},
        // 64.5 and 67.5: halves go to the even neighbour.
        {{0.0078125f, 0.0234375f, 0.25f}, RGB(64, 68, 111)},
    };
    for (const auto& c : cases) {
        FakeHost host;
        BlackHoles holes(host);
        ScriptedNumbers rnd(holeNumbers(0, 0.5f, 0.5f, 0.5f) + c.draws);
        holes.CmdBlackHoles_Click();
        holes.CircleTimer_Timer();
        EXPECT_EQ(host.state().PenColour, c.colour);
        EXPECT_EQ(ringRightOf(host.MyPic(), 512, 297), c.colour);
        EXPECT_EQ(rnd.numbers().overruns(), 0u);
    }
}

TEST(BlackHoles, CirclesAreFilledBlackOnlyAfterAnEffectLeftTheFillSolid) {
    struct Case {
        std::string before;
        bool ball;
        int32_t centre;
    };
    // A ball leaves the fill solid in a random colour; the hole's black fill then
    // covers what lies inside. With a transparent fill only the rings show.
    const Case cases[] = {{"after a ball", true, 0}, {"after plain rings", false, White}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        FakeHost host;
        BlackHoles holes(host);
        auto& pic = host.MyPic();
        const std::vector<float> ball = {0.9f, 0.8f, 0.7f};
        ScriptedNumbers rnd((c.ball ? ball : std::vector<float>{}) +
                            holeNumbers(0, 0.5f, 0.5f, 0.5f) + std::vector<float>{1, 1, 1});
        if (c.ball) {
            DrawBall(host, 10, 10);
        } else {
            pic.setFillStyle(platform::DrawingSurface::FillTransparent);
        }
        holes.CmdBlackHoles_Click();
        pic.PSet(512, 297, White);
        holes.CircleTimer_Timer();
        EXPECT_EQ(pic.pixel(512, 297), c.centre);
        EXPECT_EQ(ringRightOf(pic, 520, 297), White);
        EXPECT_EQ(rnd.numbers().overruns(), 0u);
    }
}
