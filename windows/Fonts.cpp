#include "windows/Fonts.h"

#include <QApplication>

namespace Fonts {

QFont title(double points) {
    QFont f;
    f.setFamilies(
        {QStringLiteral("C059"), QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
    f.setPointSizeF(points);
    f.setBold(true);
    f.setItalic(true);
    return f;
}

QFont panel() {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")});
    f.setPointSizeF(7.5);
    return f;
}

QFont sans(double points, bool bold) {
    QFont f = QApplication::font();
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace Fonts
