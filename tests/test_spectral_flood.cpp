#include "effects/Effects.h"
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

struct Points {
    float X1, Y1, X2, Y2;
    float DX1 = 2, DY1 = 2, DX2 = 2, DY2 = 2;

    static Points of(const FormState& s) {
        return {s.X1, s.Y1, s.X2, s.Y2, s.DX1, s.DY1, s.DX2, s.DY2};
    }
    void into(FormState& s) const {
        s.X1 = X1;
        s.Y1 = Y1;
        s.X2 = X2;
        s.Y2 = Y2;
        s.DX1 = DX1;
        s.DY1 = DY1;
        s.DX2 = DX2;
        s.DY2 = DY2;
    }
    bool operator==(const Points&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Points& p) {
    return os << "(" << p.X1 << ", " << p.Y1 << ") (" << p.X2 << ", " << p.Y2 << ") steps " << p.DX1
              << " " << p.DY1 << " " << p.DX2 << " " << p.DY2;
}

// The program of each sounding note: the program change sent just before its note-on.
std::vector<int> programsOfNotes(const platform::MidiRecording& log) {
    std::vector<int> programs;
    int program = -1;
    for (const auto& e : log.events) {
        if (e.kind != platform::MidiEvent::Kind::ShortMessage) {
            continue;
        }
        if ((e.status() & 0xF0) == 0xC0) {
            program = e.data1();
        } else if ((e.status() & 0xF0) == 0x90 && e.data2() > 0) {
            programs.push_back(program);
        }
    }
    return programs;
}

bool colourNear(const platform::DrawingSurface& pic, int x, int y, int32_t colour) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (pic.pixel(x + dx, y + dy) == colour) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(SpectralFlood, StartPlacesTwoPointsAndPlaysOneNoteWithoutDrawing) {
    OpenRecorder midi;
    FakeHost host;
    SpectralFlood flood(host);
    FormState& s = host.state();
    s.Instrument = 7;
    s.RedLevel = 0;
    s.GreenLevel = 255;
    s.BlueLevel = 0;
    host.MyPic().setDrawWidth(5);
    ScriptedNumbers rnd({0.5f, 0.25f, 0.75f, 0.75f});

    flood.cmdWash_Click();

    EXPECT_EQ(host.caption(),
              "Zelphor Version 1.0 Rev 24 showing Spectral Flood to tune Chromatic");
    EXPECT_EQ(Points::of(s), (Points{512, 148.5f, 768, 445.5f}));
    EXPECT_EQ(host.MyPic().DrawWidth(), 2);
    EXPECT_EQ(s.Instrument, 7);
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(0, 255, 0));
    EXPECT_EQ(host.playNoteCalls, 1);
    EXPECT_EQ(testing_support::playedNotes(midi.log()), std::vector<int>{12});
    EXPECT_TRUE(host.timerEnabled(EffectTimer::WashTimer));
    EXPECT_TRUE(host.MyPic().takeDirty().isEmpty());
    EXPECT_EQ(rnd.numbers().reseeds(), 1u);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);

    // The first line comes with the first tick, one step on, in the turned colour.
    flood.WashTimer_Timer();
    EXPECT_EQ(Points::of(s), (Points{514, 150.5f, 770, 447.5f}));
    EXPECT_EQ(RGB(s.RedLevel, s.GreenLevel, s.BlueLevel), RGB(0, 255, 5));
    EXPECT_TRUE(colourNear(host.MyPic(), 514, 150, RGB(0, 255, 5)));
    EXPECT_TRUE(colourNear(host.MyPic(), 642, 299, RGB(0, 255, 5)));
    EXPECT_TRUE(colourNear(host.MyPic(), 770, 447, RGB(0, 255, 5)));
    EXPECT_EQ(testing_support::playedNotes(midi.log()), (std::vector<int>{12, 13}));
}

TEST(SpectralFlood, ReseedsOnlyAfterDrawingItsStartPoints) {
    FakeHost host;
    SpectralFlood flood(host);
    DrawLog log;
    flood.cmdWash_Click();
    EXPECT_EQ(log.trace, "rrrrs");
    log.trace.clear();
    flood.WashTimer_Timer();
    EXPECT_EQ(log.trace, "");
}

TEST(SpectralFlood, PointsBounceOnlyBeyondTheEdges) {
    struct Case {
        std::string name;
        Points before;
        Points after;
        int instrumentDraws;
    };
    // The surface is 1024 x 594. Only the first point's bounces draw an instrument.
    const Case cases[] = {
        {"first point onto the right edge", {1022, 100, 10, 10}, {1024, 102, 12, 12}, 0},
        {"first point past the right edge",
         {1023, 100, 10, 10},
         {1023, 102, 12, 12, -2, 2, 2, 2},
         1},
        {"first point onto the left edge",
         {2, 100, 10, 10, -2, 2, 2, 2},
         {0, 102, 12, 12, -2, 2, 2, 2},
         0},
        {"first point past the left edge",
         {1, 100, 10, 10, -2, 2, 2, 2},
         {1, 102, 12, 12, 2, 2, 2, 2},
         1},
        {"first point onto the bottom edge", {100, 592, 10, 10}, {102, 594, 12, 12}, 0},
        {"first point past the bottom edge",
         {100, 593, 10, 10},
         {102, 593, 12, 12, 2, -2, 2, 2},
         1},
        {"first point past the top edge",
         {100, 1, 10, 10, 2, -2, 2, 2},
         {102, 1, 12, 12, 2, 2, 2, 2},
         1},
        {"first point past a corner",
         {1023.5f, 593.5f, 10, 10},
         {1023.5f, 593.5f, 12, 12, -2, -2, 2, 2},
         2},
        {"second point past the right edge",
         {100, 100, 1023, 10},
         {102, 102, 1023, 12, 2, 2, -2, 2},
         0},
        {"second point past the top edge",
         {100, 100, 10, 1, 2, 2, 2, -2},
         {102, 102, 12, 1, 2, 2, 2, 2},
         0},
        {"second point onto the bottom edge", {100, 100, 10, 592}, {102, 102, 12, 594}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenRecorder midi;
        FakeHost host;
        SpectralFlood flood(host);
        FormState& s = host.state();
        ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.75f});
        flood.cmdWash_Click();
        s.Instrument = 3;
        c.before.into(s);

        flood.WashTimer_Timer();

        EXPECT_EQ(Points::of(s), c.after);
        EXPECT_EQ(rnd.numbers().drawn(), 4u + static_cast<std::size_t>(c.instrumentDraws));
        const int16_t instrument = c.instrumentDraws == 0 ? 3 : c.instrumentDraws == 1 ? 20 : 60;
        EXPECT_EQ(s.Instrument, instrument);
        EXPECT_EQ(programsOfNotes(midi.log()).back(), instrument);
    }
}

TEST(SpectralFlood, OneNotePerTickInTheDirectionOfTheFirstPoint) {
    OpenRecorder midi;
    FakeHost host;
    SpectralFlood flood(host);
    FormState& s = host.state();
    s.Instrument = 3;
    ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.5f, 0.25f});
    flood.cmdWash_Click();
    // The first point bounces off the right edge on tick 3, the second on tick 4.
    s.X1 = 1020;
    s.X2 = 1017;

    for (int i = 0; i < 5; ++i) {
        flood.WashTimer_Timer();
    }

    EXPECT_EQ(host.playNoteCalls, 6);
    EXPECT_EQ(testing_support::playedNotes(midi.log()), (std::vector<int>{12, 13, 14, 15, 14, 13}));
    EXPECT_EQ(programsOfNotes(midi.log()), (std::vector<int>{3, 3, 3, 20, 20, 20}));
    EXPECT_EQ(s.X1, 1020.0f);
    EXPECT_EQ(s.X2, 1021.0f);
    EXPECT_EQ(rnd.numbers().overruns(), 0u);
    EXPECT_EQ(midi.log().soundingNotes().size(), 1u);
}

TEST(SpectralFlood, APointLeftOutsideComesBack) {
    struct Case {
        std::string name;
        QSize shrunk;
        Points before;
    };
    // Showing the panel again takes height away from the surface, and another Effect's
    // big step can carry the first point out; such a point turns at most once and heads
    // back in.
    const Case cases[] = {
        {"narrower", QSize(500, 594), {600, 100, 10, 10}},
        {"lower", QSize(1024, 437), {100, 520, 10, 10}},
        {"second point below", QSize(1024, 437), {100, 100, 10, 520}},
        {"left of the surface", QSize(1024, 594), {-50, 100, 10, 10}},
        {"above the surface", QSize(1024, 594), {100, -30, 10, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        SpectralFlood flood(host);
        FormState& s = host.state();
        ScriptedNumbers rnd({0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.75f});
        flood.cmdWash_Click();
        c.before.into(s);
        host.MyPic().resize(c.shrunk);
        const auto draws = rnd.numbers().drawn();

        for (int i = 0; i < 100; ++i) {
            flood.WashTimer_Timer();
        }

        const auto w = host.MyPic().ScaleWidth();
        const auto h = host.MyPic().ScaleHeight();
        EXPECT_TRUE(s.X1 >= 0 && s.X1 <= w && s.Y1 >= 0 && s.Y1 <= h) << Points::of(s);
        EXPECT_TRUE(s.X2 >= 0 && s.X2 <= w && s.Y2 >= 0 && s.Y2 <= h) << Points::of(s);
        EXPECT_LE(rnd.numbers().drawn() - draws, 1u);
    }
}
