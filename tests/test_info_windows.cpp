#include "platform/AppInfo.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"
#include "windows/PageView.h"
#include "windows/frmAbout.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testing_support::ScriptedNumbers;

// Runs what is waiting, deferred deletions included.
void flush() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <typename Form> int countLive() {
    int count = 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qobject_cast<Form*>(widget)) {
            ++count;
        }
    }
    return count;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray pageWith(const QByteArray& title, const QByteArray& body) {
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
           "<title>" +
           title + "</title></head><body>" + body + "</body></html>\n";
}

// ZELPHOR_DATA_DIR points at a folder of our own for the life of this object.
class DataFolder {
public:
    explicit DataFolder(bool withPages = true)
        : previous_(qgetenv("ZELPHOR_DATA_DIR")),
          hadPrevious_(qEnvironmentVariableIsSet("ZELPHOR_DATA_DIR")) {
        qputenv("ZELPHOR_DATA_DIR", dir_.path().toLocal8Bit());
        if (!withPages) {
            return;
        }
        writeFile(path("help.htm"),
                  pageWith("Help", "<p><a href=\"Theory.htm\">theory page</a> "
                                   "<a href=\"https://melodrix.example/\">web site</a> "
                                   "<a href=\"mailto:hello@melodrix.example\">write to us</a> "
                                   "<a href=\"Gone.htm\">gone page</a></p>"
                                   "<p>the help text</p>"));
        for (const char* name :
             {"AboutBox", "Appreciation", "Composing", "HistGeogMaths", "Theory", "Practical"}) {
            writeFile(path(QString::fromLatin1(name) + ".htm"),
                      pageWith(name, QByteArray("<p>page ") + name + "</p>"));
        }
    }
    ~DataFolder() {
        if (hadPrevious_) {
            qputenv("ZELPHOR_DATA_DIR", previous_);
        } else {
            qunsetenv("ZELPHOR_DATA_DIR");
        }
    }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    QString path(const QString& name) const { return dir_.path() + "/" + name; }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};

class InfoWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousOpener_ =
            PageView::setExternalOpener([this](const QUrl& url) { opened.push_back(url); });
    }
    void TearDown() override {
        InfoWindows::CloseAll();
        InfoWindows::SetFreezeAction({});
        flush();
        PageView::setExternalOpener(std::move(previousOpener_));
        EXPECT_EQ(countLive<frmAbout>() + countLive<frmHelp>() + countLive<frmAd>(), 0);
    }

    std::vector<QUrl> opened;

private:
    PageView::ExternalOpener previousOpener_;
};

QString folderPage(const char* name) {
    return platform::applicationFolder() + name;
}

TEST_F(InfoWindowsTest, AdvertisementTickOpensTheDrawnPageOnlyOneTimeInFour) {
    struct Case {
        std::vector<float> draws;
        const char* page; // nullptr: nothing opens
        std::size_t drawsUsed;
    };
    const Case cases[] = {
        {{0.0f, 0.5f}, "/HistGeogMaths.htm", 2},
        {{0.0f, 0.66f}, "/HistGeogMaths.htm", 2},
        {{0.0f, 0.0f}, "/AboutBox.htm", 2},
        {{0.2499f, 0.17f}, "/Appreciation.htm", 2},
        {{0.0f, 0.34f}, "/Composing.htm", 2},
        {{0.0f, 0.67f}, "/Theory.htm", 2},
        {{0.0f, 0.99999994f}, "/Practical.htm", 2},
        {{0.25f, 0.5f}, nullptr, 1},
        {{0.5f, 0.5f}, nullptr, 1},
        {{0.99999994f, 0.5f}, nullptr, 1},
    };
    DataFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page ? c.page : "no page");
        ScriptedNumbers numbers(c.draws);
        InfoWindows::AdTimer_Timer();
        EXPECT_EQ(numbers.numbers().drawn(), c.drawsUsed);
        frmAd* ad = InfoWindows::AdWindow();
        if (!c.page) {
            EXPECT_EQ(ad, nullptr);
            continue;
        }
        ASSERT_NE(ad, nullptr);
        EXPECT_TRUE(ad->isVisible());
        EXPECT_EQ(ad->MyBrowser->currentPage(), folderPage(c.page));
        EXPECT_FALSE(ad->MyBrowser->showsMissingPage());
        InfoWindows::CloseAll();
        flush();
    }
}

TEST_F(InfoWindowsTest, AdvertisementWindowCoversTheScreenWithThePageBelowTheBanner) {
    DataFolder folder;
    ScriptedNumbers numbers({0.0f, 0.5f});
    InfoWindows::AdTimer_Timer();
    frmAd* ad = InfoWindows::AdWindow();
    ASSERT_NE(ad, nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // The platform may push the window in by the width of its frame.
    EXPECT_EQ(ad->size(), screen.size());
    EXPECT_TRUE(screen.contains(ad->frameGeometry().topLeft()));
    EXPECT_EQ(ad->windowTitle(), "About Melodrix");
    EXPECT_EQ(ad->MyBrowser->geometry(),
              QRect(0, 224, screen.width(), screen.height() - ad->picIcon->height()));
    EXPECT_EQ(ad->picIcon->pixmap().size(), QSize(676, 229));
}

TEST_F(InfoWindowsTest, OpenAdvertisementWindowOnlyChangesPage) {
    DataFolder folder;
    ScriptedNumbers numbers({0.0f, 0.5f, 0.5f, 0.0f, 0.9f});
    InfoWindows::AdTimer_Timer();
    QPointer<frmAd> first = InfoWindows::AdWindow();
    ASSERT_NE(first, nullptr);

    InfoWindows::AdTimer_Timer(); // r = 3: stays on its page
    EXPECT_EQ(first->MyBrowser->currentPage(), folderPage("/HistGeogMaths.htm"));

    InfoWindows::AdTimer_Timer(); // r = 1, k = 6
    flush();
    EXPECT_EQ(InfoWindows::AdWindow(), first.data());
    EXPECT_EQ(first->MyBrowser->currentPage(), folderPage("/Practical.htm"));
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(countLive<frmAd>(), 1);
}

TEST_F(InfoWindowsTest, MoreInformationOpensAboutBoxPageAndKeepsAboutOpen) {
    DataFolder folder;
    InfoWindows::ShowAbout();
    frmAbout* about = InfoWindows::AboutWindow();
    ASSERT_NE(about, nullptr);
    about->cmdMoreInfo->click();
    flush();

    frmAd* ad = InfoWindows::AdWindow();
    ASSERT_NE(ad, nullptr);
    EXPECT_TRUE(ad->isVisible());
    EXPECT_EQ(ad->MyBrowser->currentPage(), folderPage("/AboutBox.htm"));
    EXPECT_EQ(InfoWindows::AboutWindow(), about);
    EXPECT_TRUE(about->isVisible());
}

TEST_F(InfoWindowsTest, StopMusicRunsTheFreezeActionAndKeepsTheWindow) {
    DataFolder folder;
    int freezes = 0;
    InfoWindows::SetFreezeAction([&freezes] { ++freezes; });
    InfoWindows::ShowAdPage("/Theory.htm");
    frmAd* ad = InfoWindows::AdWindow();
    ASSERT_NE(ad, nullptr);

    ad->cmdStopMusic->click();
    flush();
    EXPECT_EQ(freezes, 1);
    EXPECT_EQ(InfoWindows::AdWindow(), ad);
    EXPECT_TRUE(ad->isVisible());

    // The main window clears the action when it unloads, possibly from inside the action.
    InfoWindows::SetFreezeAction([&freezes] {
        ++freezes;
        InfoWindows::SetFreezeAction({});
    });
    ad->cmdStopMusic->click();
    ad->cmdStopMusic->click();
    flush();
    EXPECT_EQ(freezes, 2);
    EXPECT_EQ(InfoWindows::AdWindow(), ad);
}

TEST_F(InfoWindowsTest, OkClosesTheAdvertisementWindow) {
    DataFolder folder;
    InfoWindows::ShowAdPage("/Theory.htm");
    ASSERT_NE(InfoWindows::AdWindow(), nullptr);
    InfoWindows::AdWindow()->cmdOK->click();
    EXPECT_EQ(InfoWindows::AdWindow(), nullptr);
    flush();
    EXPECT_EQ(countLive<frmAd>(), 0);
}

void press(QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &up);
}

TEST_F(InfoWindowsTest, HelpClosesOnEscapeOnly) {
    DataFolder folder;
    struct Case {
        int key;
        bool toWindow;
        bool closes;
    };
    const Case cases[] = {
        {Qt::Key_Escape, false, true}, {Qt::Key_Escape, true, true}, {Qt::Key_A, false, false},
        {Qt::Key_F1, false, false},    {Qt::Key_Q, true, false},     {Qt::Key_Return, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        InfoWindows::ShowHelp();
        frmHelp* help = InfoWindows::HelpWindow();
        ASSERT_NE(help, nullptr);
        press(c.toWindow ? static_cast<QWidget*>(help) : help->MyBrowser, c.key);
        EXPECT_EQ(InfoWindows::HelpWindow() == nullptr, c.closes);
        InfoWindows::CloseAll();
        flush();
    }
}

TEST_F(InfoWindowsTest, AboutClosesOnEnterEscapeAndOk) {
    DataFolder folder;
    struct Case {
        const char* name;
        std::function<void(frmAbout*)> act;
    };
    const Case cases[] = {
        {"Return", [](frmAbout* w) { press(w, Qt::Key_Return); }},
        {"Enter", [](frmAbout* w) { press(w, Qt::Key_Enter); }},
        {"Escape", [](frmAbout* w) { press(w, Qt::Key_Escape); }},
        {"Escape on More Information", [](frmAbout* w) { press(w->cmdMoreInfo, Qt::Key_Escape); }},
        {"OK", [](frmAbout* w) { w->cmdOK->click(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InfoWindows::ShowAbout();
        frmAbout* about = InfoWindows::AboutWindow();
        ASSERT_NE(about, nullptr);
        c.act(about);
        EXPECT_EQ(InfoWindows::AboutWindow(), nullptr);
        EXPECT_EQ(InfoWindows::AdWindow(), nullptr);
        flush();
        EXPECT_EQ(countLive<frmAbout>(), 0);
    }
}

TEST_F(InfoWindowsTest, AboutShowsTitleAndVersion) {
    InfoWindows::ShowAbout();
    frmAbout* about = InfoWindows::AboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Zelphor");
    EXPECT_EQ(about->lblVersion->text(), QString("Version %1.%2.%3")
                                             .arg(platform::versionMajor())
                                             .arg(platform::versionMinor())
                                             .arg(platform::versionRevision()));
    EXPECT_EQ(about->lblVersion->text(), "Version 1.0.24");
    EXPECT_EQ(about->picIcon->pixmap().size(), QSize(676, 229));
}

TEST_F(InfoWindowsTest, EachWindowOpensOnce) {
    DataFolder folder;
    struct Case {
        const char* name;
        std::function<void()> open;
        std::function<QWidget*()> window;
        std::function<int()> live;
    };
    const Case cases[] = {
        {"Help", InfoWindows::ShowHelp, [] { return InfoWindows::HelpWindow(); },
         countLive<frmHelp>},
        {"About", InfoWindows::ShowAbout, [] { return InfoWindows::AboutWindow(); },
         countLive<frmAbout>},
        {"Melodrix", [] { InfoWindows::ShowAdPage("/Theory.htm"); },
         [] { return InfoWindows::AdWindow(); }, countLive<frmAd>},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.open();
        QWidget* first = c.window();
        ASSERT_NE(first, nullptr);
        c.open();
        flush();
        EXPECT_EQ(c.window(), first);
        EXPECT_EQ(c.live(), 1);
        EXPECT_TRUE(first->isVisible());
    }
}

TEST_F(InfoWindowsTest, ClosingUnloadsAndReopeningLoadsAgain) {
    DataFolder folder;
    InfoWindows::ShowHelp();
    QPointer<frmHelp> help = InfoWindows::HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->MyBrowser->currentPage(), folderPage("/help.htm"));
    EXPECT_EQ(help->MyBrowser->width(), help->width());
    help->MyBrowser->Navigate(folder.path("Theory.htm"));

    // Reopened before the closed one is gone: the dying window must not come back.
    help->close();
    InfoWindows::ShowHelp();
    frmHelp* again = InfoWindows::HelpWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, help.data());
    flush();
    EXPECT_TRUE(help.isNull());
    ASSERT_EQ(InfoWindows::HelpWindow(), again);
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(again->MyBrowser->currentPage(), folderPage("/help.htm"));

    ScriptedNumbers numbers({0.0f, 0.5f, 0.0f, 0.5f});
    InfoWindows::AdTimer_Timer();
    ASSERT_NE(InfoWindows::AdWindow(), nullptr);
    InfoWindows::AdWindow()->setFixedSize(300, 200);
    InfoWindows::AdWindow()->close();
    flush();
    InfoWindows::AdTimer_Timer();
    ASSERT_NE(InfoWindows::AdWindow(), nullptr);
    EXPECT_EQ(InfoWindows::AdWindow()->size(), QGuiApplication::primaryScreen()->size());
}

// Clicks the middle of the first occurrence of the text, as a user would.
void clickText(PageView* view, const QString& text) {
    const QTextCursor found = view->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor middle(view->document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    const QPointF at = view->cursorRect(middle).center();
    const QPointF global = view->viewport()->mapToGlobal(at);
    QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &up);
    flush();
}

TEST_F(InfoWindowsTest, WebLinksGoToTheDesktopAndLocalLinksStayInTheView) {
    DataFolder folder;
    InfoWindows::ShowHelp();
    frmHelp* help = InfoWindows::HelpWindow();
    ASSERT_NE(help, nullptr);
    flush();
    PageView* view = help->MyBrowser;

    clickText(view, "web site");
    clickText(view, "write to us");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl("https://melodrix.example/"));
    EXPECT_EQ(opened[1], QUrl("mailto:hello@melodrix.example"));
    EXPECT_EQ(view->currentPage(), folderPage("/help.htm"));
    EXPECT_TRUE(view->toPlainText().contains("the help text"));

    clickText(view, "theory page");
    EXPECT_EQ(QFileInfo(view->currentPage()), QFileInfo(folder.path("Theory.htm")));
    EXPECT_TRUE(view->toPlainText().contains("page Theory"));
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(InfoWindowsTest, LinkToMissingPageShowsWhichFile) {
    DataFolder folder;
    InfoWindows::ShowHelp();
    frmHelp* help = InfoWindows::HelpWindow();
    ASSERT_NE(help, nullptr);
    flush();
    PageView* view = help->MyBrowser;

    clickText(view, "gone page");
    EXPECT_TRUE(view->showsMissingPage());
    EXPECT_TRUE(view->toPlainText().contains(QFileInfo(folder.path("Gone.htm")).fileName()));
    EXPECT_TRUE(opened.empty());

    // The page that was shown before loads again when asked for.
    view->Navigate(folderPage("/help.htm"));
    EXPECT_FALSE(view->showsMissingPage());
    EXPECT_TRUE(view->toPlainText().contains("the help text"));
}

TEST_F(InfoWindowsTest, EmptyDataFolderShowsMessagesInsteadOfPages) {
    DataFolder empty(false);
    ScriptedNumbers numbers({0.0f, 0.5f});
    InfoWindows::ShowHelp();
    InfoWindows::ShowAbout();
    InfoWindows::AdTimer_Timer();
    flush();

    ASSERT_NE(InfoWindows::HelpWindow(), nullptr);
    ASSERT_NE(InfoWindows::AdWindow(), nullptr);
    ASSERT_NE(InfoWindows::AboutWindow(), nullptr);
    for (PageView* view :
         {InfoWindows::HelpWindow()->MyBrowser, InfoWindows::AdWindow()->MyBrowser}) {
        EXPECT_TRUE(view->showsMissingPage());
        EXPECT_TRUE(view->toPlainText().contains(view->currentPage()));
    }
    EXPECT_TRUE(InfoWindows::HelpWindow()->MyBrowser->toPlainText().contains(
        platform::applicationFolder() + "/help.htm"));
    EXPECT_TRUE(InfoWindows::AdWindow()->MyBrowser->toPlainText().contains(
        platform::applicationFolder() + "/HistGeogMaths.htm"));

    InfoWindows::AboutWindow()->cmdMoreInfo->click();
    EXPECT_TRUE(InfoWindows::AdWindow()->MyBrowser->toPlainText().contains("/AboutBox.htm"));
}

TEST_F(InfoWindowsTest, TickDuringAdvertisementLoadFindsTheSameWindow) {
    DataFolder folder;
    // Outer tick: r = 1, k = 4. The tick run inside its load: r = 1, k = 1.
    ScriptedNumbers numbers({0.0f, 0.5f, 0.0f, 0.0f});
    int liveDuringInnerTick = -1;
    bool innerFoundWindow = false;
    QTimer::singleShot(0, qApp, [&] {
        innerFoundWindow = InfoWindows::AdWindow() != nullptr;
        InfoWindows::AdTimer_Timer();
        liveDuringInnerTick = countLive<frmAd>();
    });
    InfoWindows::AdTimer_Timer();
    flush();

    EXPECT_EQ(numbers.numbers().drawn(), 4u);
    EXPECT_TRUE(innerFoundWindow);
    EXPECT_EQ(liveDuringInnerTick, 1);
    EXPECT_EQ(countLive<frmAd>(), 1);
    ASSERT_NE(InfoWindows::AdWindow(), nullptr);
    EXPECT_EQ(InfoWindows::AdWindow()->MyBrowser->currentPage(), folderPage("/HistGeogMaths.htm"));
}

TEST_F(InfoWindowsTest, WindowClosedDuringItsOwnLoadIsNotUsed) {
    DataFolder folder;
    ScriptedNumbers numbers({0.0f, 0.5f});
    QTimer::singleShot(0, qApp, [] { InfoWindows::CloseAll(); });
    InfoWindows::AdTimer_Timer();
    EXPECT_EQ(InfoWindows::AdWindow(), nullptr);
    flush();
    EXPECT_EQ(countLive<frmAd>(), 0);
}

} // namespace
