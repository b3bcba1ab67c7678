#include "windows/frmAbout.h"

#include "platform/AppInfo.h"
#include "platform/Twips.h"
#include "windows/Fonts.h"
#include "windows/FrameFit.h"
#include "windows/InfoWindows.h"
#include "windows/WindowLook.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

using platform::px;
using platform::twipRect;

namespace {

QLabel* whiteLabel(QWidget* parent, const QString& text, const QRect& place, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setFont(font);
    windows_look::makeTransparentLabel(label, Qt::white);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(px(10215), px(6000));
    windows_look::paintBackground(this, QColor(192, 0, 0));

    picIcon = windows_look::bannerLabel(this, twipRect(0, 0, 10140, 3435));

    lblTitle = windows_look::titleLabel(picIcon, QStringLiteral("Zelphor  ----  by"),
                                        twipRect(1080, 120, 7245, 720));

    const QFont plain12 = Fonts::sans(12);
    lblVersion =
        whiteLabel(this, QStringLiteral("Version"), twipRect(120, 3720, 3885, 225), Fonts::sans(8));
    lblDescription = whiteLabel(this, QStringLiteral("From the makers of Melodrix"),
                                twipRect(120, 4008, 5325, 450), Fonts::sans(12, true));
    Label1 = whiteLabel(this, QStringLiteral("Lines, circles and colours that play music"),
                        twipRect(120, 4521, 5535, 375), plain12);
    Label3 = whiteLabel(this, QStringLiteral("Optimized for 1024 X 768 pixels screen resolution"),
                        twipRect(120, 4959, 6855, 375), plain12);
    Label2 = whiteLabel(this, QStringLiteral("\u00A9 2026 Quillwick Sound Works"),
                        twipRect(120, 5400, 5535, 375), plain12);

    const QFont buttonFont = Fonts::sans(9.75, true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setGeometry(twipRect(6840, 3720, 1740, 825));
    cmdOK->setFont(buttonFont);
    cmdOK->setDefault(true);
    cmdMoreInfo = new QPushButton(QStringLiteral("More Information"), this);
    cmdMoreInfo->setGeometry(twipRect(6840, 4920, 1725, 825));
    cmdMoreInfo->setFont(buttonFont);
    windows_look::fitCaption(cmdOK);
    windows_look::fitCaption(cmdMoreInfo);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdMoreInfo, &QPushButton::clicked, this, &frmAbout::cmdMoreInfo_Click);
    cmdOK->setFocus();
    windows_look::keepFrameOnScreen(this, windows_look::FrameFit::Within);
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + platform::applicationTitle());
    lblVersion->setText(windows_look::versionText());
}

void frmAbout::cmdOK_Click() {
    close();
}

void frmAbout::cmdMoreInfo_Click() {
    InfoWindows::ShowAdPage(QStringLiteral("/AboutBox.htm"), freeze);
}

// Escape: OK is the cancel button as well as the default one.
void frmAbout::reject() {
    cmdOK->click();
}

void frmAbout::closeEvent(QCloseEvent* event) {
    // QDialog's own handler would reject(), which presses OK again.
    event->accept();
    emit unloaded();
}
