#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace windows_look {

// The Melodrix banner embedded as ":/banner.jpg" (676 x 229).
QPixmap bannerPicture();

// A label at place showing the banner from its top left corner.
QLabel* bannerLabel(QWidget* parent, const QRect& place);

// Our fonts run wider than the ones the windows were laid out with: a caption that would be
// cut off gets a slightly smaller size instead.
void fitCaption(QPushButton* button);

// Fills the widget's background with a solid colour.
void paintBackground(QWidget* widget, const QColor& colour);

// A label whose background lets its parent show through.
void makeTransparentLabel(QLabel* label, const QColor& textColour);

// The large pale yellow title written over the banner ("Zelphor  ----  by").
QLabel* titleLabel(QWidget* banner, const QString& text, const QRect& place);

// "Version 1.0.24", from the version numbers.
QString versionText();

} // namespace windows_look
