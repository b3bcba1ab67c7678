#include "platform/AppInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <ostream>

// Readable test names in failure reports.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

// The pages as shipped in the source tree; the copies in the data folder when the tree has moved.
QString pagesFolder() {
    const QString shipped =
        QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../windows/pages";
    if (QFileInfo(shipped + "/help.htm").isFile()) {
        return QDir::cleanPath(shipped);
    }
    return platform::applicationFolder();
}

const QStringList pageNames = {"help.htm",      "AboutBox.htm",      "Appreciation.htm",
                               "Composing.htm", "HistGeogMaths.htm", "Theory.htm",
                               "Practical.htm"};
const QStringList melodrixPages = pageNames.mid(1);

QString readPage(const QString& name) {
    QFile file(pagesFolder() + "/" + name);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

struct Tag {
    QString name;
    bool closing = false;
    QMap<QString, QString> attributes;
    int line = 0;
};

// A strict reading of the markup: every attribute quoted, every element closed.
struct Parsed {
    QString doctype;
    std::vector<Tag> tags;
    QStringList errors;
};

Parsed parse(const QString& html) {
    static const QRegularExpression tagPattern(
        R"re(<(/?)([A-Za-z][A-Za-z0-9]*)((?:\s+[A-Za-z-]+="[^"<>]*")*)\s*>)re");
    static const QRegularExpression attributePattern(R"re(([A-Za-z-]+)="([^"<>]*)")re");
    static const QSet<QString> empty = {"br",    "hr",  "meta", "link", "img",
                                        "input", "col", "area", "base", "param"};
    Parsed parsed;
    std::vector<Tag> open;
    int line = 1;
    for (qsizetype at = 0; at < html.size(); ++at) {
        if (html[at] == '\n') {
            ++line;
        }
        if (html[at] != '<') {
            continue;
        }
        const QStringView rest = QStringView(html).mid(at);
        if (rest.startsWith(u"<!--")) {
            const qsizetype end = html.indexOf("-->", at);
            if (end < 0) {
                parsed.errors << QString("line %1: comment not closed").arg(line);
                break;
            }
            line += QStringView(html).mid(at, end - at).count('\n');
            at = end + 2;
            continue;
        }
        if (rest.startsWith(u"<!DOCTYPE")) {
            const qsizetype end = html.indexOf('>', at);
            parsed.doctype = html.mid(at, end - at + 1);
            at = end;
            continue;
        }
        const QRegularExpressionMatch match =
            tagPattern.match(html, at, QRegularExpression::NormalMatch,
                             QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) {
            parsed.errors << QString("line %1: malformed tag").arg(line);
            continue;
        }
        Tag tag;
        tag.closing = !match.captured(1).isEmpty();
        tag.name = match.captured(2).toLower();
        tag.line = line;
        auto attributes = attributePattern.globalMatch(match.captured(3));
        while (attributes.hasNext()) {
            const auto attribute = attributes.next();
            tag.attributes.insert(attribute.captured(1).toLower(), attribute.captured(2));
        }
        if (tag.closing) {
            if (open.empty() || open.back().name != tag.name) {
                parsed.errors << QString("line %1: </%2> does not close the open element")
                                     .arg(line)
                                     .arg(tag.name);
            } else {
                open.pop_back();
            }
        } else if (!empty.contains(tag.name)) {
            open.push_back(tag);
        }
        line += match.captured(0).count('\n');
        at += match.capturedLength() - 1;
        parsed.tags.push_back(tag);
    }
    for (const Tag& unclosed : open) {
        parsed.errors
            << QString("line %1: <%2> never closed").arg(unclosed.line).arg(unclosed.name);
    }
    return parsed;
}

QStringList anchorNames(const Parsed& parsed) {
    QStringList names;
    for (const Tag& tag : parsed.tags) {
        if (tag.name == "a" && tag.attributes.contains("name")) {
            names << tag.attributes.value("name");
        }
    }
    return names;
}

class PageFile : public ::testing::TestWithParam<QString> {};

TEST_P(PageFile, IsWellFormedHtml4WithNothingThatRunsOrLoadsFromOutside) {
    const QString html = readPage(GetParam());
    ASSERT_FALSE(html.isEmpty()) << "missing or empty: " << GetParam().toStdString();
    const Parsed parsed = parse(html);
    EXPECT_TRUE(parsed.doctype.contains("-//W3C//DTD HTML 4.01")) << parsed.doctype.toStdString();
    EXPECT_TRUE(parsed.errors.isEmpty()) << parsed.errors.join('\n').toStdString();

    static const QSet<QString> forbidden = {"script", "iframe", "frame", "object",
                                            "embed",  "applet", "link",  "form",
                                            "input",  "base",   "img"};
    for (const Tag& tag : parsed.tags) {
        EXPECT_FALSE(forbidden.contains(tag.name))
            << "line " << tag.line << ": <" << tag.name.toStdString() << ">";
        for (auto it = tag.attributes.cbegin(); it != tag.attributes.cend(); ++it) {
            EXPECT_FALSE(it.key().startsWith("on")) << "line " << tag.line;
            EXPECT_FALSE(it.value().contains("javascript:", Qt::CaseInsensitive))
                << "line " << tag.line;
        }
    }
    EXPECT_FALSE(html.contains("url(", Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains("@import", Qt::CaseInsensitive));

    QTextDocument document;
    document.setHtml(html);
    EXPECT_FALSE(document.metaInformation(QTextDocument::DocumentTitle).isEmpty());
    EXPECT_GT(document.toPlainText().simplified().size(), 300);
}

TEST_P(PageFile, LinksPointToShippedPagesOrToTheWeb) {
    const Parsed parsed = parse(readPage(GetParam()));
    for (const Tag& tag : parsed.tags) {
        if (tag.name != "a" || !tag.attributes.contains("href")) {
            continue;
        }
        const QUrl url(tag.attributes.value("href"));
        SCOPED_TRACE(QString("line %1: %2").arg(tag.line).arg(url.toString()).toStdString());
        if (!url.scheme().isEmpty()) {
            EXPECT_TRUE(url.scheme() == "https" || url.scheme() == "mailto");
            const QString host = url.scheme() == "mailto" ? url.path().section('@', 1) : url.host();
            EXPECT_TRUE(host.endsWith(".example"));
            continue;
        }
        const QString target = url.path().isEmpty() ? GetParam() : url.path();
        EXPECT_TRUE(pageNames.contains(target));
        if (pageNames.contains(target) && url.hasFragment()) {
            EXPECT_TRUE(anchorNames(parse(readPage(target))).contains(url.fragment()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, PageFile, ::testing::ValuesIn(pageNames), [](const auto& info) {
    return info.param.section('.', 0, 0).toStdString();
});

TEST(Pages, EachMelodrixPageLinksToAllTheOthers) {
    for (const QString& page : melodrixPages) {
        QSet<QString> linked;
        for (const Tag& tag : parse(readPage(page)).tags) {
            if (tag.name == "a") {
                linked.insert(tag.attributes.value("href"));
            }
        }
        for (const QString& other : melodrixPages) {
            if (other != page) {
                EXPECT_TRUE(linked.contains(other))
                    << page.toStdString() << " -> " << other.toStdString();
            }
        }
    }
}

TEST(Pages, HelpNamesEveryControlAsTheProgramShowsIt) {
    QTextDocument document;
    document.setHtml(readPage("help.htm"));
    const QString text = document.toPlainText().simplified();
    const QStringList names = {"Galactic Satellites",
                               "Einstein Waves",
                               "Black Holes",
                               "Trigonemtric Tracejtories",
                               "Jagged Maze",
                               "Spectral Flood",
                               "Exploding Suns",
                               "Cosmic Sines",
                               "Saturated Rainbow",
                               "Meteorites",
                               "Chromatic",
                               "Major",
                               "Minor",
                               "Pentatonic",
                               "Whole Tone",
                               "Frere Jacques",
                               "Bobby Shaftoe",
                               "Early Morning",
                               "Toccata",
                               "Clear Screen",
                               "Freeze Everything",
                               "Quit",
                               "Speed MegaMetres per nano-second",
                               "Volume",
                               "Select a scale or tune",
                               "About Melodrix",
                               "Stop Music",
                               "midiOUT_Open",
                               "timgm6mb-soundfont",
                               "fluid-soundfont-gm"};
    for (const QString& name : names) {
        EXPECT_TRUE(text.contains(name)) << name.toStdString();
    }
}

} // namespace
