#include "app/RenderOptions.h"

#include "effects/EffectTable.h"
#include "music/Tunes.h"
#include "platform/video/MediaWriter.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <unistd.h>

namespace app {

namespace {

// A day at most: longer is surely a typing mistake.
constexpr double longestRender = 24.0 * 3600.0;

QString quoted(const QString& text) {
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

std::optional<EffectButton> effectNamed(const QString& name) {
    for (const EffectDesign& design : EffectTable) {
        if (name.compare(QLatin1String(design.caption), Qt::CaseInsensitive) == 0) {
            return design.button;
        }
    }
    return std::nullopt;
}

QString effectNames() {
    QStringList names;
    for (const EffectDesign& design : EffectTable) {
        names << QLatin1String(design.caption);
    }
    return names.join(QStringLiteral(", "));
}

// Why the file cannot be written there, or empty.
QString targetProblem(const QString& path) {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir()) {
        return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    }
    if (::access(QFile::encodeName(folder.filePath()).constData(), W_OK | X_OK) != 0) {
        return QStringLiteral("the folder %1 cannot be written").arg(folder.filePath());
    }
    if (target.isDir()) {
        return QStringLiteral("%1 is a folder").arg(path);
    }
    return {};
}

RenderReading problem(const QString& text) {
    RenderReading r;
    r.problem = text;
    return r;
}

} // namespace

bool renderKindKnown(const QString& path) {
    return platform::video::kindFor(QFile::encodeName(path).toStdString()).has_value();
}

bool renderHasPicture(const QString& path) {
    const auto kind = platform::video::kindFor(QFile::encodeName(path).toStdString());
    return kind && platform::video::hasPicture(*kind);
}

RenderReading readRenderOptions(const QCommandLineParser& parser) {
    const auto isSet = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&](const char* name) { return parser.value(QLatin1String(name)); };
    if (!isSet("render")) {
        for (const char* name : {"duration", "size", "fps", "start", "tune"}) {
            if (isSet(name)) {
                return problem(QStringLiteral("--%1 goes with --render").arg(QLatin1String(name)));
            }
        }
        return {};
    }
    RenderOptions o;
    RenderReading reading;
    o.path = value("render");
    if (!renderKindKnown(o.path)) {
        return problem(QStringLiteral("bad value for --render: %1 (the file's extension says "
                                      "what to write: .mp4, .webm, .mkv, .wav or .flac)")
                           .arg(quoted(o.path)));
    }
    if (const QString why = targetProblem(o.path); !why.isEmpty()) {
        return problem(QStringLiteral("cannot render to %1: %2").arg(quoted(o.path), why));
    }
    if (!isSet("duration")) {
        return problem(QStringLiteral("--render needs --duration SECONDS"));
    }
    bool ok = false;
    const QString duration = value("duration");
    o.seconds = duration.toDouble(&ok);
    if (!ok || !std::isfinite(o.seconds) || o.seconds <= 0.0 || o.seconds > longestRender) {
        return problem(QStringLiteral("bad value for --duration: %1 (seconds, more than 0 and "
                                      "at most 86400)")
                           .arg(quoted(duration)));
    }
    if (isSet("size")) {
        static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
        const QString text = value("size");
        const auto m = pattern.match(text);
        const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
        const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (w < 1 || h < 1 || w > maxRenderWidth || h > maxRenderHeight) {
            return problem(QStringLiteral("bad value for --size: %1 (WIDTHxHEIGHT, each above 0, "
                                          "at most 7680x4320)")
                               .arg(quoted(text)));
        }
        o.size = QSize(w + w % 2, h + h % 2);
        if (o.size != QSize(w, h) && renderHasPicture(o.path)) {
            o.note = QStringLiteral("the size %1x%2 is rounded to %3x%4: video needs even "
                                    "sizes")
                         .arg(w)
                         .arg(h)
                         .arg(o.size.width())
                         .arg(o.size.height());
        }
    }
    if (isSet("fps")) {
        const QString text = value("fps");
        o.fps = text.toInt(&ok, 10);
        if (!ok || o.fps < 1 || o.fps > 120 || text.startsWith(QLatin1Char('+'))) {
            return problem(QStringLiteral("bad value for --fps: %1 (a whole number from 1 to 120)")
                               .arg(quoted(text)));
        }
    }
    if (isSet("start")) {
        if (isSet("autoplay")) {
            return problem(QStringLiteral("--start and --autoplay exclude each other"));
        }
        for (const QString& part : value("start").split(QLatin1Char(','))) {
            const std::optional<EffectButton> button = effectNamed(part.trimmed());
            if (!button) {
                return problem(QStringLiteral("bad value for --start: no Effect is called %1 "
                                              "(the Effects: %2)")
                                   .arg(quoted(part.trimmed()), effectNames()));
            }
            o.start.push_back(*button);
        }
    }
    if (isSet("tune")) {
        if (o.start.empty()) {
            return problem(QStringLiteral("--tune goes with --start"));
        }
        const QString name = value("tune").trimmed();
        const QStringList& tunes = Tunes::OptionCaptions();
        for (qsizetype i = 0; i < tunes.size(); ++i) {
            if (name.compare(tunes[i], Qt::CaseInsensitive) == 0) {
                o.tune = static_cast<int>(i);
            }
        }
        if (!o.tune) {
            return problem(QStringLiteral("bad value for --tune: no tune is called %1 (the "
                                          "tunes: %2)")
                               .arg(quoted(name), tunes.join(QStringLiteral(", "))));
        }
    }
    reading.render = o;
    return reading;
}

} // namespace app
