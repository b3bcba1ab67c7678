#include "windows/InfoWindows.h"

#include "platform/AppInfo.h"
#include "platform/Random.h"
#include "windows/PageView.h"
#include "windows/frmAbout.h"
#include "windows/frmAd.h"
#include "windows/frmHelp.h"

#include <QPointer>

#include <algorithm>
#include <array>
#include <cmath>

namespace InfoWindows {

namespace {

QPointer<frmAbout> about;
QPointer<frmHelp> help;
QPointer<frmAd> ad;

void bringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

// Registers the window before its load handler runs, so that anything the handler lets run
// (frmAd processes events) finds this one instead of making another.
template <typename Form> Form* load(QPointer<Form>& slot) {
    if (slot) {
        return slot;
    }
    auto* form = new Form;
    slot = form;
    QObject::connect(form, &Form::unloaded, form, [&slot, form] {
        if (slot == form) {
            slot = nullptr;
        }
    });
    form->Form_Load();
    // Something run inside Form_Load may have closed it already.
    return slot;
}

int wholePart(float value) {
    return static_cast<int>(std::floor(value));
}

} // namespace

void ShowHelp() {
    if (frmHelp* form = load(help)) {
        bringForward(form);
    }
}

void ShowAbout(FreezeAction freeze) {
    if (frmAbout* form = load(about)) {
        form->freeze = std::move(freeze);
        bringForward(form);
    }
}

void ShowAdPage(const QString& pageName, FreezeAction freeze) {
    frmAd* form = load(ad);
    if (!form) {
        return;
    }
    form->freeze = std::move(freeze);
    form->MyBrowser->Navigate(platform::applicationFolder() + pageName);
    bringForward(form);
}

void AdTimer_Timer(platform::RandomSource& random, FreezeAction freeze) {
    static const std::array<QString, 6> pages = {
        QStringLiteral("/AboutBox.htm"),  QStringLiteral("/Appreciation.htm"),
        QStringLiteral("/Composing.htm"), QStringLiteral("/HistGeogMaths.htm"),
        QStringLiteral("/Theory.htm"),    QStringLiteral("/Practical.htm")};

    const int r = wholePart(platform::Rnd(random) * 4.0f + 1.0f);
    if (r != 1) {
        return;
    }
    const int k = std::clamp(wholePart(platform::Rnd(random) * 6.0f + 1.0f), 1, 6);
    ShowAdPage(pages[static_cast<std::size_t>(k - 1)], std::move(freeze));
}

frmAbout* AboutWindow() {
    return about;
}
frmHelp* HelpWindow() {
    return help;
}
frmAd* AdWindow() {
    return ad;
}

void CloseAll() {
    if (about) {
        about->close();
    }
    if (help) {
        help->close();
    }
    if (ad) {
        ad->close();
    }
}

} // namespace InfoWindows
