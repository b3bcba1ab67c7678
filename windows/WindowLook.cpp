#include "windows/WindowLook.h"

#include "platform/AppInfo.h"
#include "windows/Fonts.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

// The resource file lives in a static library, so its data must be registered by hand.
static void registerEmbeddedResources() {
    Q_INIT_RESOURCE(zelphor);
}

namespace windows_look {

QPixmap bannerPicture() {
    static const bool registered = [] {
        registerEmbeddedResources();
        return true;
    }();
    (void)registered;
    return QPixmap(QStringLiteral(":/banner.jpg"));
}

QLabel* bannerLabel(QWidget* parent, const QRect& place) {
    auto* label = new QLabel(parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setPixmap(bannerPicture());
    return label;
}

void fitCaption(QPushButton* button) {
    constexpr int padding = 10;
    constexpr qreal smallest = 6.0;
    QFont font = button->font();
    const QString text = button->text();
    while (font.pointSizeF() > smallest &&
           QFontMetrics(font).horizontalAdvance(text) > button->width() - padding) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    button->setFont(font);
}

void paintBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void makeTransparentLabel(QLabel* label, const QColor& textColour) {
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, textColour);
    label->setPalette(palette);
}

QLabel* titleLabel(QWidget* banner, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, banner);
    label->setGeometry(place);
    label->setFont(Fonts::title(36));
    makeTransparentLabel(label, QColor(255, 255, 128));
    return label;
}

QString versionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(platform::versionMajor())
        .arg(platform::versionMinor())
        .arg(platform::versionRevision());
}

} // namespace windows_look
