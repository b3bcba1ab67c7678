#include "app/CommandLine.h"

#include "platform/AppInfo.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace app {

namespace {

const QString usageLine = QStringLiteral(
    "[-h] [-v] [--seed N] [--windowed [WxH]] [--mute] [--midi-out NAME] [--list-midi-outputs] "
    "[--record FILE.mid] [--autoplay] [--speed V] [--root | --window-id ID] [--sound]");

// The hidden option that carries the size of --windowed WxH.
const QString windowSizeName = QStringLiteral("zelphor-window-size");

const QRegularExpression& sizePattern() {
    static const QRegularExpression p(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
    return p;
}

QString programName(const QStringList& arguments) {
    return arguments.isEmpty() ? QStringLiteral("zelphor")
                               : QFileInfo(arguments.first()).fileName();
}

CommandLine exitWith(int status, QString out, QString err) {
    CommandLine c;
    c.action = CommandLine::Action::Exit;
    c.exitStatus = status;
    c.out = std::move(out);
    c.err = std::move(err);
    return c;
}

CommandLine usageError(const QString& program, const QString& what) {
    return exitWith(usageExitStatus, {},
                    program + QStringLiteral(": ") + what + QLatin1Char('\n') +
                        QStringLiteral("Usage: ") + program + QLatin1Char(' ') + usageLine +
                        QLatin1Char('\n'));
}

// --windowed takes an optional value, which the parser cannot express: "--windowed WxH" and
// "--windowed=VALUE" become "--windowed" plus the hidden size option.
QStringList withWindowSizeSplit(const QStringList& arguments) {
    QStringList out;
    const QString flag = QStringLiteral("--windowed");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--")) {
            out += arguments.mid(i);
            break;
        }
        if (a.startsWith(flag + QLatin1Char('='))) {
            out << flag
                << QStringLiteral("--") + windowSizeName + QLatin1Char('=') +
                       a.mid(flag.size() + 1);
        } else if (a == flag && i + 1 < arguments.size() &&
                   sizePattern().match(arguments[i + 1]).hasMatch()) {
            out << flag
                << QStringLiteral("--") + windowSizeName + QLatin1Char('=') + arguments[++i];
        } else {
            out << a;
        }
    }
    return out;
}

// -root and -window-id: the window given, or a message naming what is wrong with it. Either
// means the autoplay.
std::optional<QString> readScreensaver(const QCommandLineParser& parser,
                                       const QCommandLineOption& root,
                                       const QCommandLineOption& windowId,
                                       const QCommandLineOption& sound, StartOptions& options) {
    options.sound = parser.isSet(sound);
    if (!parser.isSet(root) && !parser.isSet(windowId)) {
        if (options.sound) {
            return QStringLiteral("--sound goes with -root or -window-id");
        }
        return std::nullopt;
    }
    if (parser.isSet(root) && parser.isSet(windowId)) {
        return QStringLiteral("-root and -window-id exclude each other");
    }
    if (options.windowSize || options.mute || !options.midiOut.isEmpty()) {
        return QStringLiteral("-root and -window-id take no --windowed, --mute or --midi-out "
                              "(the sound is off unless --sound is given)");
    }
    StartOptions::Screensaver target;
    target.root = parser.isSet(root);
    if (!target.root) {
        const QString text = parser.value(windowId);
        static const QRegularExpression idPattern(
            QStringLiteral("^(0[xX][0-9a-fA-F]{1,8}|[0-9]{1,10})$"));
        bool ok = idPattern.match(text).hasMatch();
        const bool hex = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive);
        const qulonglong id = ok ? text.mid(hex ? 2 : 0).toULongLong(&ok, hex ? 16 : 10) : 0;
        if (!ok || id == 0 || id > 0xFFFFFFFFULL) {
            return QStringLiteral("bad value for --window-id: '") + text +
                   QStringLiteral("' (an X11 window id, decimal or 0x hex)");
        }
        target.windowId = id;
    }
    options.screensaver = target;
    options.autoplay = true;
    return std::nullopt;
}

} // namespace

QString helpText(const QString& program) {
    return QStringLiteral("Usage: ") + program + QLatin1Char(' ') + usageLine +
           QStringLiteral("\n"
                          "Animated abstract graphics with MIDI sounds.\n"
                          "\n"
                          "Options:\n"
                          "  -h, --help             Show this help and exit.\n"
                          "  -v, --version          Show the version and exit.\n"
                          "  --seed N               Make every random choice from a generator "
                          "seeded with N\n"
                          "                         (0 to 18446744073709551615), so that runs "
                          "repeat.\n"
                          "  --windowed [WxH]       Open a normal resizable window (1024x768 if "
                          "no size is\n"
                          "                         given, at least 320x240) instead of covering "
                          "the screen.\n"
                          "  --mute                 Open no sound device.\n"
                          "  --midi-out NAME        Send the music to the MIDI output NAME "
                          "instead of the\n"
                          "                         built-in synthesizer (see "
                          "--list-midi-outputs).\n"
                          "  --list-midi-outputs    List the MIDI outputs and exit.\n"
                          "  --record FILE.mid      Record the music to a Standard MIDI File.\n"
                          "  --autoplay             Play by itself, scene after scene, until a key "
                          "or a click.\n"
                          "  --speed V              With --autoplay: every scene at speed V (1 to "
                          "400).\n"
                          "  -root, --root          Play as a screensaver in the window of "
                          "$XSCREENSAVER_WINDOW,\n"
                          "                         or on the root window (X11 only).\n"
                          "  -window-id ID          Play as a screensaver in the X11 window ID "
                          "(decimal or 0x hex).\n"
                          "  --sound                As a screensaver, play the music too (silent "
                          "otherwise).\n");
}

CommandLine parseCommandLine(const QStringList& arguments) {
    const QString program = programName(arguments);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption seed(QStringLiteral("seed"), {}, QStringLiteral("N"));
    const QCommandLineOption windowed(QStringLiteral("windowed"));
    const QCommandLineOption windowSize(windowSizeName, {}, QStringLiteral("WxH"));
    const QCommandLineOption mute(QStringLiteral("mute"));
    const QCommandLineOption midiOut(QStringLiteral("midi-out"), {}, QStringLiteral("NAME"));
    const QCommandLineOption list(QStringLiteral("list-midi-outputs"));
    const QCommandLineOption record(QStringLiteral("record"), {}, QStringLiteral("FILE"));
    const QCommandLineOption autoplay(QStringLiteral("autoplay"));
    const QCommandLineOption speed(QStringLiteral("speed"), {}, QStringLiteral("V"));
    const QCommandLineOption root(QStringLiteral("root"));
    const QCommandLineOption windowId(QStringLiteral("window-id"), {}, QStringLiteral("ID"));
    const QCommandLineOption sound(QStringLiteral("sound"));
    parser.addOptions({help, version, seed, windowed, windowSize, mute, midiOut, list, record,
                       autoplay, speed, root, windowId, sound});

    if (!parser.parse(withWindowSizeSplit(arguments))) {
        return usageError(program, parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(program, QStringLiteral("unexpected argument '") +
                                       parser.positionalArguments().first() + QStringLiteral("'"));
    }
    for (const QCommandLineOption* single :
         {&seed, &windowSize, &midiOut, &record, &speed, &windowId}) {
        if (parser.values(*single).size() > 1) {
            const QString name =
                single == &windowSize ? QStringLiteral("windowed") : single->names().first();
            return usageError(program, QStringLiteral("--") + name +
                                           QStringLiteral(" is given more than once"));
        }
    }
    if (parser.isSet(help)) {
        return exitWith(0, helpText(program), {});
    }
    if (parser.isSet(version)) {
        return exitWith(0,
                        QStringLiteral("%1 %2.%3.%4\n")
                            .arg(platform::applicationTitle())
                            .arg(platform::versionMajor())
                            .arg(platform::versionMinor())
                            .arg(platform::versionRevision()),
                        {});
    }

    CommandLine c;
    if (parser.isSet(seed)) {
        bool ok = false;
        const QString text = parser.value(seed);
        const qulonglong n = text.toULongLong(&ok, 10);
        if (!ok || text.startsWith(QLatin1Char('+'))) {
            return usageError(program, QStringLiteral("bad value for --seed: '") + text +
                                           QStringLiteral("' (a whole number 0 or above)"));
        }
        c.options.seed = n;
    }
    if (parser.isSet(windowed)) {
        c.options.windowSize = defaultWindowedSize;
        if (parser.isSet(windowSize)) {
            const QString text = parser.value(windowSize);
            const auto m = sizePattern().match(text);
            const QSize size =
                m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
            if (!m.hasMatch() || size.width() < smallestWindowedSize.width() ||
                size.height() < smallestWindowedSize.height() || size.width() > 16384 ||
                size.height() > 16384) {
                return usageError(program, QStringLiteral("bad value for --windowed: '") + text +
                                               QStringLiteral("' (WIDTHxHEIGHT, from 320x240 to "
                                                              "16384x16384)"));
            }
            c.options.windowSize = size;
        }
    }
    c.options.mute = parser.isSet(mute);
    c.options.autoplay = parser.isSet(autoplay);
    // A screensaver's settings start the program: one line says what is wrong there.
    if (const auto problem = readScreensaver(parser, root, windowId, sound, c.options)) {
        return exitWith(usageExitStatus, {}, program + QStringLiteral(": ") + *problem + '\n');
    }
    if (parser.isSet(speed)) {
        bool ok = false;
        const QString text = parser.value(speed);
        const int v = text.toInt(&ok, 10);
        if (!ok || v < 1 || v > 400 || text.startsWith(QLatin1Char('+'))) {
            return usageError(program, QStringLiteral("bad value for --speed: '") + text +
                                           QStringLiteral("' (a whole number from 1 to 400)"));
        }
        if (!c.options.autoplay) {
            return usageError(program, QStringLiteral("--speed goes with --autoplay, -root or "
                                                      "-window-id"));
        }
        c.options.speed = v;
    }
    if (parser.isSet(midiOut)) {
        c.options.midiOut = parser.value(midiOut);
        if (c.options.midiOut.trimmed().isEmpty()) {
            return usageError(program, QStringLiteral("bad value for --midi-out: an empty name"));
        }
    }
    if (c.options.mute && !c.options.midiOut.isEmpty()) {
        return usageError(program, QStringLiteral("--mute and --midi-out exclude each other"));
    }
    if (parser.isSet(record)) {
        c.options.recordFile = parser.value(record);
        if (c.options.recordFile.isEmpty()) {
            return usageError(program,
                              QStringLiteral("bad value for --record: an empty file name"));
        }
    }
    if (parser.isSet(list)) {
        c.action = CommandLine::Action::ListMidiOutputs;
    }
    return c;
}

} // namespace app
