// The command line: what each option sets, and the errors a user sees for wrong ones.
#include "app/CommandLine.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using app::CommandLine;
using app::parseCommandLine;

namespace {

CommandLine parse(std::vector<const char*> args) {
    QStringList list{QStringLiteral("/usr/games/zelphor")};
    for (const char* a : args) {
        list << QString::fromUtf8(a);
    }
    return parseCommandLine(list);
}

struct Rejected {
    std::vector<const char*> args;
    const char* named; // what the one-line error must name
};

} // namespace

TEST(CommandLine, EachOptionSetsItsValue) {
    const CommandLine none = parse({});
    EXPECT_EQ(none.action, CommandLine::Action::Start);
    EXPECT_TRUE(!none.options.seed && !none.options.windowSize && !none.options.mute &&
                none.options.midiOut.isEmpty() && none.options.recordFile.isEmpty());

    const CommandLine c = parse({"--seed", "18446744073709551615", "--windowed", "800x600",
                                 "--midi-out", "jack:synth:in", "--record", "out.mid"});
    ASSERT_EQ(c.action, CommandLine::Action::Start);
    EXPECT_EQ(c.options.seed, 18446744073709551615ULL);
    EXPECT_EQ(c.options.windowSize, QSize(800, 600));
    EXPECT_EQ(c.options.midiOut, QStringLiteral("jack:synth:in"));
    EXPECT_EQ(c.options.recordFile, QStringLiteral("out.mid"));

    EXPECT_EQ(parse({"--windowed"}).options.windowSize, app::defaultWindowedSize);
    EXPECT_EQ(parse({"--windowed=320X240"}).options.windowSize, QSize(320, 240));
    EXPECT_EQ(parse({"--seed=0", "--mute"}).options.seed, 0U);
    EXPECT_TRUE(parse({"--mute"}).options.mute);
    EXPECT_EQ(parse({"--list-midi-outputs"}).action, CommandLine::Action::ListMidiOutputs);
}

TEST(CommandLine, HelpAndVersionPrintAndEndWell) {
    for (const char* flag : {"-h", "--help"}) {
        const CommandLine h = parse({flag});
        EXPECT_EQ(h.action, CommandLine::Action::Exit);
        EXPECT_EQ(h.exitStatus, 0);
        EXPECT_TRUE(h.err.isEmpty());
        EXPECT_EQ(h.out, app::helpText(QStringLiteral("zelphor")));
    }
    for (const char* flag : {"-v", "--version"}) {
        const CommandLine v = parse({flag});
        EXPECT_EQ(v.exitStatus, 0);
        EXPECT_EQ(v.out, QStringLiteral("Zelphor 1.0.24\n"));
    }
}

// Every option --help lists is one the parser takes, in each spelling and with a value of the
// kind the help names; and --help lists every option there is.
TEST(CommandLine, HelpListsExactlyTheOptionsTheParserTakes) {
    const std::map<QString, QString> sampleValue = {
        {QStringLiteral("N"), QStringLiteral("7")},
        {QStringLiteral("[WxH]"), QStringLiteral("800x600")},
        {QStringLiteral("NAME"), QStringLiteral("port")},
        {QStringLiteral("FILE.mid"), QStringLiteral("out.mid")},
        {QStringLiteral("V"), QStringLiteral("120")},
        {QStringLiteral("ID"), QStringLiteral("0x400001")},
        {QStringLiteral("FILE"), QStringLiteral("show.mp4")},
        {QStringLiteral("SECONDS"), QStringLiteral("2.5")},
        {QStringLiteral("WxH"), QStringLiteral("640x360")},
        {QStringLiteral("NAMES"), QStringLiteral("Black Holes")},
        {QStringLiteral("TUNE"), QStringLiteral("Toccata")},
    };
    // Options that only go with others.
    const QStringList render = {QStringLiteral("--render"), QStringLiteral("show.mp4"),
                                QStringLiteral("--duration"), QStringLiteral("1")};
    const std::map<QString, QStringList> companion = {
        {QStringLiteral("--speed"), {QStringLiteral("--autoplay")}},
        {QStringLiteral("--sound"), {QStringLiteral("--root")}},
        {QStringLiteral("--render"), {QStringLiteral("--duration"), QStringLiteral("1")}},
        {QStringLiteral("--duration"), {QStringLiteral("--render"), QStringLiteral("show.wav")}},
        {QStringLiteral("--size"), render},
        {QStringLiteral("--fps"), render},
        {QStringLiteral("--start"), render},
        {QStringLiteral("--tune"),
         render + QStringList{QStringLiteral("--start"), QStringLiteral("Meteorites")}},
    };
    QStringList listed;
    for (const QString& line : app::helpText(QStringLiteral("zelphor")).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  -"))) {
            continue;
        }
        // "  -h, --help   Show ...", "  --seed N   Make ...": the names, then the value if any.
        QStringList words =
            line.left(25).simplified().remove(QLatin1Char(',')).split(QLatin1Char(' '));
        const QString value =
            words.last().startsWith(QLatin1Char('-')) ? QString() : words.takeLast();
        for (const QString& name : words) {
            listed << name;
            QStringList args{QStringLiteral("zelphor"), name};
            if (!value.isEmpty()) {
                ASSERT_TRUE(sampleValue.count(value)) << qPrintable(value);
                args << sampleValue.at(value);
            }
            if (companion.count(name)) {
                args << companion.at(name);
            }
            const CommandLine c = app::parseCommandLine(args);
            EXPECT_TRUE(c.action != CommandLine::Action::Exit || c.exitStatus == 0)
                << qPrintable(args.join(QLatin1Char(' '))) << ": " << qPrintable(c.err);
        }
    }
    EXPECT_EQ(listed, QStringList({"-h",        "--help",      "-v",
                                   "--version", "--seed",      "--windowed",
                                   "--mute",    "--midi-out",  "--list-midi-outputs",
                                   "--record",  "--autoplay",  "--speed",
                                   "--root",    "--window-id", "--sound",
                                   "--render",  "--duration",  "--size",
                                   "--fps",     "--start",     "--tune"}));
}

TEST(CommandLine, WrongOptionsAndValuesEndWithStatusTwoAndNameTheFault) {
    const std::vector<Rejected> cases = {
        {{"--bogus"}, "bogus"},
        {{"-x"}, "'x'"},
        {{"stray"}, "stray"},
        {{"--seed"}, "--seed"},
        {{"--seed", "-1"}, "-1"},
        {{"--seed", "+3"}, "+3"},
        {{"--seed", "7x"}, "7x"},
        {{"--seed", "18446744073709551616"}, "18446744073709551616"},
        {{"--seed", "1", "--seed", "2"}, "--seed"},
        {{"--windowed=big"}, "big"},
        {{"--windowed", "319x240"}, "319x240"},
        {{"--windowed", "320x239"}, "320x239"},
        {{"--windowed", "16385x600"}, "16385x600"},
        {{"--windowed", "abc"}, "abc"},
        {{"--midi-out"}, "--midi-out"},
        {{"--midi-out", " "}, "--midi-out"},
        {{"--midi-out", "a", "--mute"}, "--mute"},
        {{"--record", ""}, "--record"},
        {{"--record", "a.mid", "--record", "b.mid"}, "--record"},
        {{"--mute=yes"}, "mute"},
        {{"-h", "--bogus"}, "bogus"}, // an unknown option is an error even beside --help
        {{"--speed", "3"}, "--autoplay"},
        {{"--autoplay", "--speed", "0"}, "'0'"},
        {{"--autoplay", "--speed", "401"}, "'401'"},
        {{"--autoplay", "--speed", "1", "--speed", "2"}, "--speed"},
    };
    for (const Rejected& r : cases) {
        const CommandLine c = parse(r.args);
        const QString shown = QString::fromUtf8(r.args.front());
        EXPECT_EQ(c.action, CommandLine::Action::Exit) << qPrintable(shown);
        EXPECT_EQ(c.exitStatus, app::usageExitStatus) << qPrintable(shown);
        EXPECT_TRUE(c.out.isEmpty()) << qPrintable(shown);
        const QStringList lines = c.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << qPrintable(c.err);
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("zelphor: "))) << qPrintable(lines[0]);
        EXPECT_TRUE(lines[0].contains(QString::fromUtf8(r.named))) << qPrintable(lines[0]);
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Usage: zelphor "))) << qPrintable(lines[1]);
    }
}

// A screensaver's settings start it: the window it gives, in either spelling, and the sound.
TEST(CommandLine, ScreensaverWindowsAreReadInEverySpelling) {
    struct Accepted {
        std::vector<const char*> args;
        bool root;
        uint32_t windowId;
        bool sound;
    };
    const std::vector<Accepted> cases = {
        {{"-root"}, true, 0, false},
        {{"--root", "--sound"}, true, 0, true},
        {{"-window-id", "0x1A"}, false, 26, false},
        {{"--window-id=26", "--sound"}, false, 26, true},
        {{"-window-id", "4294967295", "--speed", "400"}, false, 4294967295U, false},
    };
    for (const Accepted& a : cases) {
        const CommandLine c = parse(a.args);
        ASSERT_EQ(c.action, CommandLine::Action::Start) << a.args.front();
        ASSERT_TRUE(c.options.screensaver) << a.args.front();
        EXPECT_EQ(c.options.screensaver->root, a.root) << a.args.front();
        EXPECT_EQ(c.options.screensaver->windowId, a.windowId) << a.args.front();
        EXPECT_EQ(c.options.sound, a.sound) << a.args.front();
        EXPECT_TRUE(c.options.autoplay) << a.args.front();
    }
    EXPECT_FALSE(parse({"--autoplay"}).options.screensaver);
}

// A render's file, length, picture and scene.
TEST(CommandLine, RenderOptionsDescribeTheShow) {
    const CommandLine plain = parse({"--render", "show.mp4", "--duration", "2.5"});
    ASSERT_EQ(plain.action, CommandLine::Action::Start) << qPrintable(plain.err);
    const app::RenderOptions& r = *plain.options.render;
    EXPECT_EQ(r.seconds, 2.5);
    EXPECT_EQ(r.size, QSize(1280, 720));
    EXPECT_EQ(r.fps, 30);
    EXPECT_TRUE(plain.options.autoplay) << "the director plays when no Effect is named";
    EXPECT_EQ(plain.options.seed, app::defaultRenderSeed) << "the same command, the same show";

    const CommandLine fixed = parse(
        {"--render", "SHOW.WebM", "--duration", "1", "--size", "321x181", "--fps", "120", "--start",
         "spectral flood, Black Holes", "--tune", "toccata", "--speed", "50", "--seed", "9"});
    ASSERT_EQ(fixed.action, CommandLine::Action::Start) << qPrintable(fixed.err);
    const app::RenderOptions& f = *fixed.options.render;
    EXPECT_EQ(f.size, QSize(322, 182));
    EXPECT_TRUE(f.note.contains(QStringLiteral("322x182"))) << qPrintable(f.note);
    EXPECT_EQ(f.fps, 120);
    EXPECT_EQ(f.start,
              (std::vector<EffectButton>{EffectButton::cmdWash, EffectButton::CmdBlackHoles}));
    EXPECT_EQ(f.tune, 8);
    EXPECT_FALSE(fixed.options.autoplay);
    EXPECT_EQ(fixed.options.speed, 50);
    EXPECT_EQ(fixed.options.seed, 9U);
    // Sound alone has no picture to round.
    EXPECT_TRUE(parse({"--render", "a.flac", "--duration", "1", "--size", "3x3"})
                    .options.render->note.isEmpty());
}

// Mistakes in the options of a screensaver or a render: one line naming the fault, status 2.
TEST(CommandLine, ScreensaverAndRenderMistakesEndWithOneLineNamingThem) {
    const std::vector<Rejected> rejected = {
        {{"-window-id", "abc"}, "'abc'"},
        {{"-window-id", "0"}, "'0'"},
        {{"-window-id", "0x100000000"}, "0x100000000"},
        {{"--window-id=-3"}, "'-3'"},
        {{"-window-id", "+7"}, "+7"},
        {{"-root", "-window-id", "7"}, "exclude"},
        {{"-root", "--mute"}, "--mute"},
        {{"-root", "--windowed"}, "--windowed"},
        {{"--sound"}, "--sound"},
        {{"--render", "show.avi", "--duration", "1"}, "'show.avi'"},
        {{"--render", "/nonexistent/show.mp4", "--duration", "1"}, "/nonexistent"},
        {{"--render", "/tmp", "--duration", "1"}, "'/tmp'"},
        {{"--render", "show.mp4"}, "--duration"},
        {{"--render", "show.mp4", "--duration", "0"}, "'0'"},
        {{"--render", "show.mp4", "--duration", "-2"}, "'-2'"},
        {{"--render", "show.mp4", "--duration", "nan"}, "'nan'"},
        {{"--render", "show.mp4", "--duration", "1", "--size", "0x720"}, "'0x720'"},
        {{"--render", "show.mp4", "--duration", "1", "--size", "7682x4320"}, "'7682x4320'"},
        {{"--render", "show.mp4", "--duration", "1", "--size", "1280"}, "'1280'"},
        {{"--render", "show.mp4", "--duration", "1", "--fps", "0"}, "'0'"},
        {{"--render", "show.mp4", "--duration", "1", "--fps", "121"}, "'121'"},
        {{"--render", "show.mp4", "--duration", "1", "--fps", "2.5"}, "'2.5'"},
        {{"--render", "show.mp4", "--duration", "1", "--start", "Nothing"}, "'Nothing'"},
        {{"--render", "show.mp4", "--duration", "1", "--start", "Meteorites", "--tune", "Waltz"},
         "'Waltz'"},
        {{"--render", "show.mp4", "--duration", "1", "--tune", "Major"}, "--start"},
        {{"--render", "show.mp4", "--duration", "1", "--start", "Meteorites", "--autoplay"},
         "exclude"},
        {{"--render", "show.mp4", "--duration", "1", "--mute"}, "--mute"},
        {{"--render", "show.mp4", "--duration", "1", "--windowed"}, "--windowed"},
        {{"--fps", "30"}, "--render"},
    };
    for (const Rejected& r : rejected) {
        const CommandLine c = parse(r.args);
        EXPECT_EQ(c.exitStatus, app::usageExitStatus) << r.named;
        const QStringList lines = c.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1) << qPrintable(c.err);
        EXPECT_TRUE(lines[0].contains(QString::fromUtf8(r.named))) << qPrintable(lines[0]);
    }
}

// --seed: the generator and every reseed of it repeat from run to run.
TEST(SeededRandom, DrawsAndReseedsRepeatForTheSameNumberOnly) {
    auto draws = [](uint64_t seed) {
        platform::ClockSeededRandom r;
        r.repeatable(seed);
        std::vector<float> out;
        for (int round = 0; round < 5; ++round) {
            for (int i = 0; i < 4; ++i) {
                out.push_back(r.next());
            }
            r.reseed();
        }
        return out;
    };
    const auto seven = draws(7);
    EXPECT_EQ(draws(7), seven);
    EXPECT_NE(draws(8), seven);
    // A reseed moves on to new numbers rather than starting the same ones again.
    EXPECT_NE(std::vector<float>(seven.begin(), seven.begin() + 4),
              std::vector<float>(seven.begin() + 4, seven.begin() + 8));

    // Without a number the reseeds come from the clock.
    platform::ClockSeededRandom a;
    platform::ClockSeededRandom b;
    a.reseed();
    b.reseed();
    EXPECT_NE(a.next(), b.next());
}
