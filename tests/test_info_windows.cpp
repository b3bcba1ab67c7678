#include "platform/AppInfo.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"
#include "windows/PageView.h"
#include "windows/frmAd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

// One tick in four opens the window, on one of six pages; each page is one sixth of the range.
TEST(InfoWindows, AdvertisementTickOpensARandomPageOneTimeInFour) {
    const std::pair<std::vector<float>, const char*> cases[] = {
        {{0.25f}, nullptr},
        {{0.5f}, nullptr},
        {{0.99f}, nullptr},
        {{0.0f, 0.0f}, "/AboutBox.htm"},
        {{0.24f, 0.17f}, "/Appreciation.htm"},
        {{0.1f, 0.34f}, "/Composing.htm"},
        {{0.1f, 0.5f}, "/HistGeogMaths.htm"},
        {{0.1f, 0.67f}, "/Theory.htm"},
        {{0.1f, 0.99f}, "/Practical.htm"},
        {{0.1f, 0.16f}, "/AboutBox.htm"},
    };
    for (const auto& [numbers, page] : cases) {
        platform::ScriptedRandom random(numbers);
        InfoWindows::AdTimer_Timer(random, {});
        EXPECT_EQ(random.drawn(), numbers.size());
        const frmAd* ad = InfoWindows::AdWindow();
        ASSERT_EQ(ad != nullptr, page != nullptr) << numbers[0];
        if (ad != nullptr) {
            EXPECT_EQ(ad->MyBrowser->currentPage(), platform::applicationFolder() + page);
            EXPECT_TRUE(ad->isVisible());
            // Its frame, title bar included, fills the screen's work area.
            EXPECT_EQ(ad->frameGeometry().size(),
                      QGuiApplication::primaryScreen()->availableGeometry().size());
        }
        InfoWindows::CloseAll();
    }
}

// The shipped pages, in the source tree or, when the tree has moved, in the data folder.
QDir shippedFolder() {
    const QDir source(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../windows/pages");
    return source.exists("help.htm") ? source : QDir(platform::applicationFolder());
}

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Links {
    QStringList hrefs, anchors;
    explicit Links(const QString& path) {
        QTextDocument document;
        document.setHtml(read(path));
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                hrefs << (f.isAnchor() ? QStringList{f.anchorHref()} : QStringList());
                anchors << f.anchorNames();
            }
        }
    }
};

TEST(ShippedPages, LinkOnlyToShippedPagesAndLoadNothingFromOutside) {
    const QDir folder = shippedFolder();
    const QStringList files = folder.entryList({"*.htm", "*.css"}, QDir::Files);
    ASSERT_TRUE(files.contains("help.htm"));
    const QRegularExpression active(R"(<\s*(script|i?frame|object|embed|applet|form|input|base|)"
                                    R"(img)\b|\son\w+\s*=|javascript:|url\(|@import)",
                                    QRegularExpression::CaseInsensitiveOption);
    // A stylesheet may come only from this folder.
    const QRegularExpression sheet(R"(<\s*link\b[^>]*\bhref\s*=\s*["']?([^"'\s>]*))",
                                   QRegularExpression::CaseInsensitiveOption);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString text = read(folder.filePath(name));
        EXPECT_FALSE(active.match(text).hasMatch()) << active.match(text).captured().toStdString();
        for (auto it = sheet.globalMatch(text); it.hasNext();) {
            const QString href = it.next().captured(1);
            EXPECT_TRUE(QUrl(href).isRelative() && !href.contains('/') && files.contains(href))
                << href.toStdString();
        }
        for (const QString& link : Links(folder.filePath(name)).hrefs) {
            const QUrl url(link);
            const QString target = url.path().isEmpty() ? name : url.path();
            if (url.scheme().isEmpty()) {
                EXPECT_TRUE(target.endsWith(".htm") && files.contains(target) &&
                            (!url.hasFragment() ||
                             Links(folder.filePath(target)).anchors.contains(url.fragment())))
                    << link.toStdString();
                continue;
            }
            const QString host = url.scheme() == "mailto" ? link.section('@', 1) : url.host();
            EXPECT_TRUE((url.scheme() == "https" || url.scheme() == "mailto") &&
                        host.endsWith(".example"))
                << link.toStdString();
        }
    }
}

} // namespace
