#include "app/CommandLine.h"

#include "platform/AppInfo.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

namespace app {

namespace {

const QString usageLine = QStringLiteral(
    "[-h] [-v] [--seed N] [--windowed [WxH]] [--mute] [--midi-out NAME] [--list-midi-outputs] "
    "[--record FILE.mid] [--autoplay]");

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
                          "or a click.\n");
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
    parser.addOptions(
        {help, version, seed, windowed, windowSize, mute, midiOut, list, record, autoplay});

    if (!parser.parse(withWindowSizeSplit(arguments))) {
        return usageError(program, parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(program, QStringLiteral("unexpected argument '") +
                                       parser.positionalArguments().first() + QStringLiteral("'"));
    }
    for (const QCommandLineOption* single : {&seed, &windowSize, &midiOut, &record}) {
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
