#include "platform/AppInfo.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"
#include "windows/PageView.h"
#include "windows/frmAbout.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testing_support::ScriptedNumbers;

// Runs what is waiting, deferred deletions included.
void flush() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int liveWindows() {
    int count = 0;
    for (QWidget* w : QApplication::allWidgets()) {
        count += qobject_cast<frmAbout*>(w) || qobject_cast<frmHelp*>(w) || qobject_cast<frmAd*>(w);
    }
    return count;
}

QString page(const char* name) {
    return platform::applicationFolder() + name;
}

// Pages of our own in a folder of our own; links to the web are collected, not opened.
class InfoWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZELPHOR_DATA_DIR", dir.path().toLocal8Bit());
        previousOpener = PageView::setExternalOpener([this](const QUrl& u) { opened << u; });
        for (const char* name : {"help", "AboutBox", "Appreciation", "Composing", "HistGeogMaths",
                                 "Theory", "Practical"}) {
            QFile file(dir.path() + "/" + name + ".htm");
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("<html><head><title>t</title></head><body><p>page ") + name +
                       "</p></body></html>");
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
        EXPECT_EQ(numbers.numbers().drawn(), name ? 2u : 1u);
        frmAd* ad = InfoWindows::AdWindow();
        ASSERT_EQ(ad != nullptr, name != nullptr);
        if (ad) {
            // A missing page shows a message naming the file instead.
            const bool missing = QString(name) == "/Practical.htm";
            EXPECT_EQ(ad->MyBrowser->currentPage(), page(name));
            EXPECT_EQ(ad->MyBrowser->showsMissingPage(), missing);
            EXPECT_EQ(ad->MyBrowser->toPlainText().contains(page(name)), missing);
            // Full screen, the page below the banner; the platform may push it in by its frame.
            const QRect screen = ad->screen()->geometry();
            EXPECT_EQ(ad->size(), screen.size());
            EXPECT_TRUE(screen.contains(ad->frameGeometry().topLeft()));
            EXPECT_EQ(ad->MyBrowser->geometry(),
                      QRect(0, 224, screen.width(), screen.height() - ad->picIcon->height()));
            ad->setFixedSize(300, 200); // a reopened window must not keep this
            ad->cmdOK->click();
            EXPECT_EQ(InfoWindows::AdWindow(), nullptr);
            flush();
        }
    }
}

TEST_F(InfoWindowsTest, EachWindowOpensOnceAndKeysClose) {
    InfoWindows::ShowHelp();
    InfoWindows::ShowAbout();
    InfoWindows::ShowAdPage("/Theory.htm");
    QWidget* const first[] = {InfoWindows::HelpWindow(), InfoWindows::AboutWindow(),
                              InfoWindows::AdWindow()};
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
    EXPECT_TRUE(first[0] == InfoWindows::HelpWindow() && first[1] == InfoWindows::AboutWindow() &&
                first[2] == InfoWindows::AdWindow());
    EXPECT_EQ(InfoWindows::AdWindow()->MyBrowser->currentPage(), page("/AboutBox.htm"));

    auto press = [](QWidget* target, int key) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        }
    };
    // Help closes on Escape only; About also on Enter, and Escape never means More Information.
    press(InfoWindows::HelpWindow(), Qt::Key_Q);
    press(InfoWindows::HelpWindow()->MyBrowser, Qt::Key_Return);
    ASSERT_NE(InfoWindows::HelpWindow(), nullptr);
    press(InfoWindows::HelpWindow()->MyBrowser, Qt::Key_Escape);
    EXPECT_EQ(InfoWindows::HelpWindow(), nullptr);
    InfoWindows::AdWindow()->cmdOK->click();
    press(InfoWindows::AboutWindow()->cmdMoreInfo, Qt::Key_Escape);
    EXPECT_EQ(InfoWindows::AboutWindow(), nullptr);
    InfoWindows::ShowAbout();
    press(InfoWindows::AboutWindow(), Qt::Key_Enter);
    EXPECT_EQ(InfoWindows::AboutWindow(), nullptr);
    EXPECT_EQ(InfoWindows::AdWindow(), nullptr);
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
    click("Gone.htm");
    EXPECT_TRUE(view->showsMissingPage());
    EXPECT_TRUE(view->toPlainText().contains("Gone.htm"));
    view->Navigate(page("/help.htm"));
    click("Theory.htm");
    EXPECT_FALSE(view->showsMissingPage());
    EXPECT_TRUE(view->toPlainText().contains("page Theory"));
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
    int liveInside = -1;
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

} // namespace
