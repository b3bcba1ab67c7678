#include "app/CommandLine.h"

#include "platform/AppInfo.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>

namespace app {

namespace {

// Every option the user may give, in the order --help lists them. The parser, the usage line
// and --help are all made from this table.
struct OptionRow {
    const char* letter; // the one-letter name, or empty
    const char* name;
    const char* value; // what follows the option; empty for a flag
    bool valueOptional;
    const char* description; // a line break goes on under the first line, aligned with it
};

constexpr std::array<OptionRow, 19> optionTable = {{
    {"h", "help", "", false, "Show this help and exit."},
    {"v", "version", "", false, "Show the version and exit."},
    {"", "seed", "N", false,
     "Make every random choice from a generator seeded with N\n"
     "(0 to 18446744073709551615), so that runs repeat."},
    {"", "windowed", "WxH", true,
     "Open a normal resizable window (1024x768 if no size is\n"
     "given, at least 320x240) instead of covering the screen."},
    {"", "mute", "", false, "Open no sound device."},
    {"", "midi-out", "NAME", false,
     "Send the music to the MIDI output NAME instead of the\n"
     "built-in synthesizer (see --list-midi-outputs)."},
    {"", "list-midi-outputs", "", false, "List the MIDI outputs and exit."},
    {"", "record", "FILE.mid", false, "Record the music to a Standard MIDI File."},
    {"", "autoplay", "", false, "Play by itself, scene after scene, until a key or a click."},
    {"", "speed", "V", false, "With --autoplay or --render: every scene at speed V\n(1 to 400)."},
    {"", "root", "", false,
     "Play as a screensaver in the window of $XSCREENSAVER_WINDOW,\n"
     "or on the root window (X11 only; also -root)."},
    {"", "window-id", "ID", false,
     "Play as a screensaver in the X11 window ID, decimal or 0x\n"
     "hex (also -window-id)."},
    {"", "sound", "", false, "As a screensaver, play the music too (silent otherwise)."},
    {"", "render", "FILE", false,
     "Write the show to FILE instead of the screen, as fast\nas it goes: .mp4, .webm or .mkv "
     "(picture and sound),\n.wav or .flac (sound alone). The same command writes\nthe same "
     "file; --seed chooses another show."},
    {"", "duration", "SECONDS", false, "With --render: how long the show is."},
    {"", "size", "WxH", false, "With --render: the picture's size (1280x720)."},
    {"", "fps", "N", false, "With --render: pictures per second (30)."},
    {"", "start", "NAMES", false,
     "With --render: these Effects, comma-separated,\ninstead of the director."},
    {"", "tune", "TUNE", false, "With --start: the tune to play (Major, Toccata ...)."},
}};

QStringList namesOf(const OptionRow& row) {
    QStringList names{QLatin1String(row.name)};
    if (*row.letter != '\0') {
        names.prepend(QLatin1String(row.letter));
    }
    return names;
}

// "-h", "--help": a name as the user types it.
QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// " N", " [WxH]" or nothing.
QString shownValue(const OptionRow& row) {
    const QString value = QLatin1String(row.value);
    if (value.isEmpty()) {
        return {};
    }
    return QLatin1Char(' ') +
           (row.valueOptional ? QLatin1Char('[') + value + QLatin1Char(']') : value);
}

// "[-h] [-v] [--seed N] ...": each option by its shortest name.
QString usageLine() {
    QStringList parts;
    for (const OptionRow& row : optionTable) {
        parts << QLatin1Char('[') + dashed(namesOf(row).first()) + shownValue(row) +
                     QLatin1Char(']');
    }
    return parts.join(QLatin1Char(' '));
}

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
                        QStringLiteral("Usage: ") + program + QLatin1Char(' ') + usageLine() +
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
std::optional<QString> readScreensaver(const QCommandLineParser& parser, StartOptions& options) {
    const bool root = parser.isSet(QStringLiteral("root"));
    const bool window = parser.isSet(QStringLiteral("window-id"));
    options.sound = parser.isSet(QStringLiteral("sound"));
    if (!root && !window) {
        if (options.sound) {
            return QStringLiteral("--sound goes with -root or -window-id");
        }
        return std::nullopt;
    }
    if (root && window) {
        return QStringLiteral("-root and -window-id exclude each other");
    }
    if (options.windowSize || options.mute || !options.midiOut.isEmpty()) {
        return QStringLiteral("-root and -window-id take no --windowed, --mute or --midi-out "
                              "(the sound is off unless --sound is given)");
    }
    StartOptions::Screensaver target;
    target.root = root;
    if (!root) {
        const QString text = parser.value(QStringLiteral("window-id"));
        const std::optional<uint32_t> id = readWindowId(text);
        if (!id) {
            return QStringLiteral("bad value for --window-id: '") + text +
                   QStringLiteral("' (an X11 window id, decimal or 0x hex)");
        }
        target.windowId = *id;
    }
    options.screensaver = target;
    options.autoplay = true;
    return std::nullopt;
}

} // namespace

std::optional<uint32_t> readWindowId(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(0[xX][0-9a-fA-F]{1,8}|[0-9]{1,10})$"));
    if (!pattern.match(text).hasMatch()) {
        return std::nullopt;
    }
    const bool hex = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive);
    bool ok = false;
    const qulonglong id = text.mid(hex ? 2 : 0).toULongLong(&ok, hex ? 16 : 10);
    if (!ok || id == 0 || id > 0xFFFFFFFFULL) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(id);
}

QString helpText(const QString& program) {
    // The column the descriptions start in, four past the longest "--name VALUE".
    const QString indent(25, QLatin1Char(' '));
    QString text = QStringLiteral("Usage: ") + program + QLatin1Char(' ') + usageLine() +
                   QStringLiteral("\nAnimated abstract graphics with MIDI sounds.\n\nOptions:\n");
    for (const OptionRow& row : optionTable) {
        QStringList names = namesOf(row);
        std::transform(names.begin(), names.end(), names.begin(), dashed);
        const QString entry =
            QStringLiteral("  ") + names.join(QStringLiteral(", ")) + shownValue(row);
        QString description = QLatin1String(row.description).toString();
        description.replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
        text += entry.leftJustified(indent.size() - 1) + QLatin1Char(' ') + description +
                QLatin1Char('\n');
    }
    return text;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    const QString program = programName(arguments);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow& row : optionTable) {
        // --windowed's optional size comes in as the hidden option below.
        parser.addOption(
            QCommandLineOption(namesOf(row), QLatin1String(row.description).toString().simplified(),
                               row.valueOptional ? QString() : QLatin1String(row.value)));
    }
    parser.addOption(QCommandLineOption(windowSizeName, {}, QStringLiteral("WxH")));
    const auto isSet = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&](const char* name) { return parser.value(QLatin1String(name)); };

    if (!parser.parse(withWindowSizeSplit(arguments))) {
        return usageError(program, parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(program, QStringLiteral("unexpected argument '") +
                                       parser.positionalArguments().first() + QStringLiteral("'"));
    }
    // A value given twice is an error, not a choice of the last one.
    for (const OptionRow& row : optionTable) {
        const QString given = row.valueOptional ? windowSizeName : QLatin1String(row.name);
        if (*row.value != '\0' && parser.values(given).size() > 1) {
            return usageError(program, QStringLiteral("--") + QLatin1String(row.name) +
                                           QStringLiteral(" is given more than once"));
        }
    }
    if (isSet("help")) {
        return exitWith(0, helpText(program), {});
    }
    if (isSet("version")) {
        return exitWith(0,
                        QStringLiteral("%1 %2.%3.%4\n")
                            .arg(platform::applicationTitle())
                            .arg(platform::versionMajor())
                            .arg(platform::versionMinor())
                            .arg(platform::versionRevision()),
                        {});
    }

    CommandLine c;
    if (isSet("seed")) {
        bool ok = false;
        const QString text = value("seed");
        const qulonglong n = text.toULongLong(&ok, 10);
        if (!ok || text.startsWith(QLatin1Char('+'))) {
            return usageError(program, QStringLiteral("bad value for --seed: '") + text +
                                           QStringLiteral("' (a whole number 0 or above)"));
        }
        c.options.seed = n;
    }
    if (isSet("windowed")) {
        c.options.windowSize = defaultWindowedSize;
        if (parser.isSet(windowSizeName)) {
            const QString text = parser.value(windowSizeName);
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
    c.options.mute = isSet("mute");
    c.options.autoplay = isSet("autoplay");
    if (isSet("midi-out")) {
        c.options.midiOut = value("midi-out");
        if (c.options.midiOut.trimmed().isEmpty()) {
            return usageError(program, QStringLiteral("bad value for --midi-out: an empty name"));
        }
    }
    if (c.options.mute && !c.options.midiOut.isEmpty()) {
        return usageError(program, QStringLiteral("--mute and --midi-out exclude each other"));
    }
    if (isSet("record")) {
        c.options.recordFile = value("record");
        if (c.options.recordFile.isEmpty()) {
            return usageError(program,
                              QStringLiteral("bad value for --record: an empty file name"));
        }
    }
    // A screensaver's settings start the program: one line says what is wrong there.
    if (const auto problem = readScreensaver(parser, c.options)) {
        return exitWith(usageExitStatus, {}, program + QStringLiteral(": ") + *problem + '\n');
    }
    const RenderReading rendering = readRenderOptions(parser);
    if (!rendering.problem.isEmpty()) {
        return exitWith(usageExitStatus, {},
                        program + QStringLiteral(": ") + rendering.problem + '\n');
    }
    if (rendering.render) {
        if (c.options.windowSize || c.options.mute || !c.options.midiOut.isEmpty() ||
            c.options.screensaver) {
            return exitWith(usageExitStatus, {},
                            program + QStringLiteral(": --render takes no --windowed, --mute, "
                                                     "--midi-out, -root or -window-id\n"));
        }
        c.options.render = rendering.render;
        c.options.autoplay = rendering.render->start.empty();
        // The same command writes the same file.
        c.options.seed = c.options.seed.value_or(defaultRenderSeed);
    }
    if (isSet("speed")) {
        bool ok = false;
        const QString text = value("speed");
        const int v = text.toInt(&ok, 10);
        if (!ok || v < 1 || v > 400 || text.startsWith(QLatin1Char('+'))) {
            return usageError(program, QStringLiteral("bad value for --speed: '") + text +
                                           QStringLiteral("' (a whole number from 1 to 400)"));
        }
        if (!c.options.autoplay && !c.options.render) {
            return usageError(program, QStringLiteral("--speed goes with --autoplay, --render, "
                                                      "-root or -window-id"));
        }
        c.options.speed = v;
    }
    if (isSet("list-midi-outputs")) {
        c.action = CommandLine::Action::ListMidiOutputs;
    }
    return c;
}

} // namespace app
