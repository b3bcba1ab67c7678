#include "app/Session.h"
#include "music/PemSoundsModule.h"
#include "platform/AppInfo.h"
#include "support/TestSupport.h"
#include "windows/InfoWindows.h"
#include "windows/PageView.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <utility>

// What the user is told when something is missing, and the way back in Help.
namespace {

using testing_support::ScopedEnv;

struct NoSoundCase {
    const char* what;
    platform::MMRESULT code;
    std::optional<std::string> chosenFont;
    QStringList says;
    QStringList leavesOut;
};

TEST(UserMessages, TheNoSoundBoxSaysWhatToCheck) {
    const QString server = "sound server (PipeWire or PulseAudio) is running";
    const QString fonts = "timgm6mb-soundfont, fluid-soundfont-gm or sf3-soundfont-gm";
    const NoSoundCase cases[] = {
        {"no font anywhere", platform::ZELPHOR_ERR_NOSOUNDFONT, std::nullopt, {fonts}, {server}},
        {"a wrong font chosen, none other found",
         platform::ZELPHOR_ERR_NOSOUNDFONT,
         "/nowhere/gm.sf2",
         {"ZELPHOR_SOUNDFONT names /nowhere/gm.sf2", fonts},
         {server}},
        {"a chosen font that does not load",
         platform::ZELPHOR_ERR_SYNTH,
         "/tmp/notes.txt",
         {"ZELPHOR_SOUNDFONT names /tmp/notes.txt", server, fonts},
         {}},
        {"no sound server",
         platform::ZELPHOR_ERR_NOAUDIO,
         "/tmp/gm.sf2",
         {server},
         {fonts, "ZELPHOR_SOUNDFONT"}},
        {"no device at all", platform::MIDIERR_NODEVICE, std::nullopt, {server, fonts}, {}},
    };
    for (const NoSoundCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv font("ZELPHOR_SOUNDFONT", c.chosenFont);
        testing_support::RecordedMidi midi;
        const testing_support::CapturedMessageBoxes& boxes = midi.boxes;
        PemSoundsModule::ShowMidiError(midi.link, "midiOUT_Open", c.code);
        ASSERT_EQ(boxes.texts.size(), 1);
        const QString text = boxes.texts.front();
        EXPECT_TRUE(text.startsWith("midiOUT_Open\n")) << text.toStdString();
        EXPECT_TRUE(text.contains("Zelphor goes on without sound.")) << text.toStdString();
        for (const QString& s : c.says) {
            EXPECT_TRUE(text.contains(s)) << s.toStdString() << " in " << text.toStdString();
        }
        for (const QString& s : c.leavesOut) {
            EXPECT_FALSE(text.contains(s)) << s.toStdString() << " in " << text.toStdString();
        }
    }
}

// A problem found on any thread is printed and shown in a box once the application's events
// flow; not after the application has ended, nor where nobody answers a box.
TEST(UserMessages, AProblemIsBoxedOnlyWhileTheApplicationRunsAndSomebodyCanAnswer) {
    const app::StartOptions plain;
    app::StartOptions saver;
    saver.screensaver = app::StartOptions::Screensaver{};
    const struct {
        const char* what;
        const app::StartOptions& options;
        bool ended;
        qsizetype boxes;
    } cases[] = {
        {"while the application runs", plain, false, 1},
        {"once it has ended", plain, true, 0},
        {"as a screensaver", saver, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::CapturedMessageBoxes boxes;
        app::Session session(c.options, {.boxes = boxes.show()});
        session.applicationStarted();
        if (c.ended) {
            session.applicationEnding();
        }
        std::thread([&session] { session.reportProblem("the port has gone away"); }).join();
        QCoreApplication::processEvents();
        EXPECT_EQ(boxes.texts.size(), c.boxes);
    }
}

// Help and an advertisement page, read from a folder without the pages.
TEST(UserMessages, AMissingPageNamesTheFileTheFolderAndTheVariable) {
    QTemporaryDir empty;
    ScopedEnv data("ZELPHOR_DATA_DIR", empty.path().toStdString());
    InfoWindows::ShowHelp();
    InfoWindows::ShowAdPage("/Practical.htm", {});
    const std::pair<const PageView*, QString> pages[] = {
        {InfoWindows::HelpWindow()->MyBrowser, "/help.htm"},
        {InfoWindows::AdWindow()->MyBrowser, "/Practical.htm"}};
    for (const auto& [view, name] : pages) {
        const QString text = view->toPlainText();
        EXPECT_TRUE(view->showsMissingPage());
        for (const QString& part :
             {"The page could not be found:\n" + empty.path() + name,
              "from the folder " + QDir::toNativeSeparators(empty.path()) + ".",
              QString("ZELPHOR_DATA_DIR names that folder")}) {
            EXPECT_TRUE(text.contains(part)) << text.toStdString();
        }
    }
    InfoWindows::CloseAll();
}

// A page opened from a link inside Help, and three ways back to the help page.
TEST(UserMessages, HelpGoesBackFromAPageOpenedInsideIt) {
    InfoWindows::ShowHelp();
    frmHelp* help = InfoWindows::HelpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_FALSE(help->MyBrowser->showsMissingPage()) << "the pages are in ZELPHOR_DATA_DIR";
    EXPECT_FALSE(help->cmdBack->isVisible()) << "nothing to go back to yet";

    const auto onHelpPage = [&] { return help->MyBrowser->currentPage().endsWith("/help.htm"); };
    const std::function<void()> ways[] = {
        [&] { QTest::mouseClick(help->cmdBack, Qt::LeftButton); },
        [&] { QTest::keyClick(help->MyBrowser, Qt::Key_Backspace); },
        [&] { QTest::keyClick(help->MyBrowser, Qt::Key_Left, Qt::AltModifier); },
    };
    for (const auto& goBack : ways) {
        emit help->MyBrowser->anchorClicked(QUrl("AboutBox.htm"));
        ASSERT_TRUE(help->MyBrowser->currentPage().endsWith("/AboutBox.htm"));
        EXPECT_TRUE(help->cmdBack->isVisible());
        goBack();
        EXPECT_TRUE(onHelpPage()) << help->MyBrowser->currentPage().toStdString();
        EXPECT_FALSE(help->cmdBack->isVisible());
    }
    InfoWindows::CloseAll();
}

} // namespace
