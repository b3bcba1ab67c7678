#include "music/Tunes.h"
#include "platform/AppInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const QStringList pageNames = {"help.htm",   "AboutBox.htm",  "Appreciation.htm", "Composing.htm",
                               "Theory.htm", "Practical.htm", "HistGeogMaths.htm"};

// The pages in the source tree, or the copies in the data folder when the tree has moved.
QString readPage(const QString& name) {
    QFile file(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../windows/pages/" + name);
    if (!file.exists()) {
        file.setFileName(platform::applicationFolder() + "/" + name);
    }
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Page {
    QTextDocument document;
    QStringList links, anchors;
    explicit Page(const QString& name) {
        document.setHtml(readPage(name));
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                links << (f.isAnchor() ? QStringList{f.anchorHref()} : QStringList());
                anchors << f.anchorNames();
            }
        }
    }
};

TEST(Pages, ShippedPagesRunNothingAndLinkOnlyToEachOtherOrTheWeb) {
    const QRegularExpression active(R"(<\s*(script|i?frame|object|embed|applet|link|form|input|)"
                                    R"(base|img)\b|\son\w+\s*=|javascript:|url\(|@import)",
                                    QRegularExpression::CaseInsensitiveOption);
    for (const QString& name : pageNames) {
        SCOPED_TRACE(name.toStdString());
        const QString html = readPage(name);
        ASSERT_TRUE(html.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01"));
        EXPECT_FALSE(active.match(html).hasMatch()) << active.match(html).captured().toStdString();
        const Page page(name);
        for (const QString& link : page.links) {
            const QUrl url(link);
            if (!url.scheme().isEmpty()) {
                const QString host = url.scheme() == "mailto" ? link.section('@', 1) : url.host();
                EXPECT_TRUE(url.scheme() == "https" || url.scheme() == "mailto")
                    << link.toStdString();
                EXPECT_TRUE(host.endsWith(".example")) << link.toStdString();
                continue;
            }
            const QString target = url.path().isEmpty() ? name : url.path();
            EXPECT_TRUE(pageNames.contains(target) &&
                        (!url.hasFragment() || Page(target).anchors.contains(url.fragment())))
                << link.toStdString();
        }
        // Each Melodrix page links to all the others.
        for (const QString& other : pageNames.mid(1)) {
            EXPECT_TRUE(name == "help.htm" || other == name || page.links.contains(other))
                << other.toStdString();
        }
    }
}

TEST(Pages, HelpNamesEveryControlAsTheProgramShowsIt) {
    const QString text = Page("help.htm").document.toPlainText().simplified();
    const QStringList names =
        Tunes::OptionCaptions() +
        QString("Galactic Satellites|Einstein Waves|Black Holes|Trigonemtric Tracejtories|"
                "Jagged Maze|Spectral Flood|Exploding Suns|Cosmic Sines|Saturated Rainbow|"
                "Meteorites|Clear Screen|Freeze Everything|Quit|Speed MegaMetres per nano-second|"
                "Volume|Select a scale or tune|About Melodrix|Stop Music|midiOUT_Open|"
                "timgm6mb-soundfont|fluid-soundfont-gm")
            .split('|');
    for (const QString& name : names) {
        EXPECT_TRUE(text.contains(name)) << name.toStdString();
    }
}

} // namespace
