#include "platform/AppInfo.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"
#include "windows/PageView.h"
#include "windows/frmAbout.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testing_support::ScriptedNumbers;

// Runs what is waiting, deferred deletions included.
void flush() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

long liveWindows() {
    const QWidgetList all = QApplication::allWidgets();
    return std::count_if(all.begin(), all.end(), [](QWidget* w) {
        return qobject_cast<frmAbout*>(w) || qobject_cast<frmHelp*>(w) || qobject_cast<frmAd*>(w);
    });
}

QString page(const char* name) {
    return platform::applicationFolder() + name;
}

const QStringList pageNames = {"help.htm",   "AboutBox.htm",  "Appreciation.htm", "Composing.htm",
                               "Theory.htm", "Practical.htm", "HistGeogMaths.htm"};

// Pages of our own in a folder of our own; links to the web are collected, not opened.
class InfoWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZELPHOR_DATA_DIR", dir.path().toLocal8Bit());
        previousOpener = PageView::setExternalOpener([this](const QUrl& u) { opened << u; });
        for (const QString& name : pageNames) {
            QFile file(dir.path() + "/" + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("<html><body><p>page " + name.toUtf8() + "</p></body></html>");
        }
    }
    void TearDown() override {
        InfoWindows::CloseAll();
        InfoWindows::SetFreezeAction({});
        flush();
        PageView::setExternalOpener(std::move(previousOpener));
        qputenv("ZELPHOR_DATA_DIR", savedDataDir);
        EXPECT_EQ(liveWindows(), 0);
    }

    QByteArray savedDataDir = qgetenv("ZELPHOR_DATA_DIR");
    QTemporaryDir dir;
    QList<QUrl> opened;
    PageView::ExternalOpener previousOpener;
};

TEST_F(InfoWindowsTest, AdvertisementTickOpensTheDrawnPageOnlyOneTimeInFour) {
    QFile::remove(dir.path() + "/Practical.htm");
    const std::tuple<float, float, const char*> cases[] = {
        {0.0f, 0.0f, "/AboutBox.htm"},   {0.2499f, 0.17f, "/Appreciation.htm"},
        {0.0f, 0.34f, "/Composing.htm"}, {0.0f, 0.66f, "/HistGeogMaths.htm"},
        {0.0f, 0.67f, "/Theory.htm"},    {0.0f, 0.99999994f, "/Practical.htm"},
        {0.25f, 0.5f, nullptr},          {0.99999994f, 0.5f, nullptr}};
    for (const auto& [r, k, name] : cases) {
        SCOPED_TRACE(name ? name : "no page");
        ScriptedNumbers numbers({r, k});
        InfoWindows::AdTimer_Timer();
        frmAd* ad = InfoWindows::AdWindow();
        ASSERT_EQ(ad != nullptr, name != nullptr);
        if (ad) {
            const bool missing = QString(name) == "/Practical.htm"; // shows a message naming it
            EXPECT_EQ(ad->MyBrowser->currentPage(), page(name));
            EXPECT_EQ(ad->MyBrowser->showsMissingPage(), missing);
            EXPECT_EQ(ad->MyBrowser->toPlainText().contains(page(name)), missing);
            EXPECT_EQ(ad->size(), ad->screen()->geometry().size());
            ad->setFixedSize(300, 200); // a reopened window must not keep this
            ad->cmdOK->click();
            flush();
        }
    }
}

TEST_F(InfoWindowsTest, EachWindowOpensOnceAndKeysClose) {
    InfoWindows::ShowHelp();
    InfoWindows::ShowAbout();
    InfoWindows::ShowAdPage("/Theory.htm");
    const auto windows = [] {
        return std::array<QWidget*, 3>{InfoWindows::HelpWindow(), InfoWindows::AboutWindow(),
                                       InfoWindows::AdWindow()};
    };
    const auto first = windows();
    InfoWindows::ShowHelp();
    InfoWindows::ShowAbout();
    InfoWindows::AboutWindow()->cmdMoreInfo->click();
    // The main window clears the action when it unloads, possibly from inside the action.
    int freezes = 0;
    InfoWindows::SetFreezeAction([&freezes] { ++freezes, InfoWindows::SetFreezeAction({}); });
    InfoWindows::AdWindow()->cmdStopMusic->click();
    InfoWindows::AdWindow()->cmdStopMusic->click();
    flush();
    EXPECT_EQ(freezes, 1);
    EXPECT_EQ(liveWindows(), 3);
    EXPECT_EQ(windows(), first);
    EXPECT_EQ(InfoWindows::AdWindow()->MyBrowser->currentPage(), page("/AboutBox.htm"));

    // Escape closes, and on About's More Information button must not press it.
    InfoWindows::AdWindow()->cmdOK->click();
    testing_support::sendKey(InfoWindows::HelpWindow()->MyBrowser, Qt::Key_Escape);
    testing_support::sendKey(InfoWindows::AboutWindow()->cmdMoreInfo, Qt::Key_Escape);
    EXPECT_EQ(windows(), (std::array<QWidget*, 3>{}));
}

TEST_F(InfoWindowsTest, LinksAndReopening) {
    InfoWindows::ShowHelp();
    PageView* view = InfoWindows::HelpWindow()->MyBrowser;
    auto click = [view](const char* href) {
        emit view->anchorClicked(QUrl(href));
        flush();
    };
    click("https://melodrix.example/");
    click("mailto:hi@melodrix.example");
    EXPECT_EQ(opened,
              (QList<QUrl>{QUrl("https://melodrix.example/"), QUrl("mailto:hi@melodrix.example")}));
    EXPECT_EQ(view->currentPage(), page("/help.htm"));
    click("Theory.htm");
    EXPECT_TRUE(view->toPlainText().contains("page Theory.htm"));
    EXPECT_EQ(opened.size(), 2);

    // Reopened before the closed one is gone: the dying window must not come back.
    QPointer<frmHelp> help = InfoWindows::HelpWindow();
    help->close();
    InfoWindows::ShowHelp();
    ASSERT_NE(InfoWindows::HelpWindow(), help.data());
    flush();
    EXPECT_TRUE(help.isNull());
    EXPECT_TRUE(InfoWindows::HelpWindow()->isVisible());
    EXPECT_EQ(InfoWindows::HelpWindow()->MyBrowser->currentPage(), page("/help.htm"));
}

TEST_F(InfoWindowsTest, TicksAndClosesDuringTheAdvertisementLoad) {
    // Outer tick: Histories; the tick run inside its load: About Melodrix.
    ScriptedNumbers numbers({0.0f, 0.5f, 0.0f, 0.0f});
    long liveInside = -1;
    QTimer::singleShot(0, qApp, [&] {
        InfoWindows::AdTimer_Timer();
        liveInside = liveWindows();
    });
    InfoWindows::AdTimer_Timer();
    flush();
    EXPECT_EQ(numbers.numbers().drawn(), 4u);
    EXPECT_EQ(liveInside, 1);
    ASSERT_EQ(liveWindows(), 1);
    EXPECT_EQ(InfoWindows::AdWindow()->MyBrowser->currentPage(), page("/HistGeogMaths.htm"));

    // A window closed during its own load is not used.
    InfoWindows::CloseAll();
    QTimer::singleShot(0, qApp, [] { InfoWindows::CloseAll(); });
    ScriptedNumbers again({0.0f, 0.5f});
    InfoWindows::AdTimer_Timer();
    EXPECT_EQ(InfoWindows::AdWindow(), nullptr);
}

// The shipped pages, in the source tree or, when the tree has moved, in the data folder.
QString readShipped(const QString& name) {
    QFile file(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../windows/pages/" + name);
    if (!file.exists()) {
        file.setFileName(platform::applicationFolder() + "/" + name);
    }
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Links {
    QStringList hrefs, anchors;
    explicit Links(const QString& name) {
        QTextDocument document;
        document.setHtml(readShipped(name));
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                hrefs << (f.isAnchor() ? QStringList{f.anchorHref()} : QStringList());
                anchors << f.anchorNames();
            }
        }
    }
};

TEST(ShippedPages, RunNothingAndLinkOnlyToEachOtherOrTheWeb) {
    const QRegularExpression active(R"(<\s*(script|i?frame|object|embed|applet|link|form|input|)"
                                    R"(base|img)\b|\son\w+\s*=|javascript:|url\(|@import)",
                                    QRegularExpression::CaseInsensitiveOption);
    for (const QString& name : pageNames) {
        SCOPED_TRACE(name.toStdString());
        const QString html = readShipped(name);
        EXPECT_FALSE(active.match(html).hasMatch()) << active.match(html).captured().toStdString();
        const Links page(name);
        for (const QString& link : page.hrefs) {
            const QUrl url(link);
            const QString target = url.path().isEmpty() ? name : url.path();
            if (url.scheme().isEmpty()) {
                EXPECT_TRUE(pageNames.contains(target) &&
                            (!url.hasFragment() || Links(target).anchors.contains(url.fragment())))
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
