// Draws the Melodrix banner shown on the splash, About and advertisement windows.
// Usage: make_banner <output.jpg>   (676 x 229 pixels, JPEG)
//
// Two areas stay quiet because labels stand on them: the top strip (titles in pale yellow)
// and the ribbon under the name (the splash's version line, in white).

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int width = 676;
constexpr int height = 229;

// The staff bends gently across the picture.
constexpr double staffTop = 74.0;
constexpr double lineGap = 9.0;
constexpr double bend = 11.0;

double staffY(double x, int line) {
    const double wave = bend * std::sin(2.0 * std::numbers::pi * x / 520.0 + 0.6);
    return staffTop + line * lineGap + wave;
}

double staffSlope(double x) {
    return bend * 2.0 * std::numbers::pi / 520.0 *
           std::cos(2.0 * std::numbers::pi * x / 520.0 + 0.6);
}

void paintBackground(QPainter& p) {
    QLinearGradient across(0, 0, width, 0);
    across.setColorAt(0.0, QColor(74, 6, 26));
    across.setColorAt(0.55, QColor(92, 14, 58));
    across.setColorAt(1.0, QColor(52, 20, 104));
    p.fillRect(0, 0, width, height, across);

    QRadialGradient glow(QPointF(338, 112), 260);
    glow.setColorAt(0.0, QColor(255, 150, 120, 70));
    glow.setColorAt(0.6, QColor(255, 120, 160, 18));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(0, 0, width, height, glow);

    // Darker at the top, so that the pale titles read well.
    QLinearGradient shade(0, 0, 0, 64);
    shade.setColorAt(0.0, QColor(20, 0, 16, 150));
    shade.setColorAt(1.0, QColor(20, 0, 16, 0));
    p.fillRect(0, 0, width, 64, shade);
}

void paintStaff(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    for (int line = 0; line < 5; ++line) {
        QPainterPath path;
        path.moveTo(0, staffY(0, line));
        for (int x = 2; x <= width; x += 2) {
            path.lineTo(x, staffY(x, line));
        }
        p.setPen(QPen(QColor(255, 232, 190, 120), 1.2));
        p.drawPath(path);
    }
}

// One note head on a staff position (0 = bottom line, counting lines and spaces upwards).
void paintNote(QPainter& p, double x, int step, bool stemUp, const QColor& colour) {
    const double y = staffY(x, 4) - step * lineGap / 2.0;
    const double tilt = std::atan(staffSlope(x)) * 180.0 / std::numbers::pi;
    p.save();
    p.translate(x, y);
    p.rotate(tilt - 22.0);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(0, 0), 6.0, 4.3);
    p.restore();
    p.setPen(QPen(colour, 1.4));
    if (stemUp) {
        p.drawLine(QPointF(x + 5.2, y - 1.0), QPointF(x + 5.2, y - 30.0));
    } else {
        p.drawLine(QPointF(x - 5.2, y + 1.0), QPointF(x - 5.2, y + 30.0));
    }
}

void paintBeam(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    QPainterPath beam;
    beam.moveTo(from);
    beam.lineTo(to);
    beam.lineTo(to + QPointF(0, 4.5));
    beam.lineTo(from + QPointF(0, 4.5));
    beam.closeSubpath();
    p.fillPath(beam, colour);
}

void paintNotes(QPainter& p) {
    const QColor gold(255, 214, 120, 230);
    const QColor rose(255, 176, 196, 210);

    // The left phrase climbs towards the name.
    const std::array<std::pair<double, int>, 5> left = {
        {{22, 1}, {52, 3}, {82, 2}, {112, 5}, {142, 7}}};
    for (const auto& [x, step] : left) {
        paintNote(p, x, step, true, gold);
    }
    const double y3 = staffY(112, 4) - 5 * lineGap / 2.0 - 30.0;
    const double y4 = staffY(142, 4) - 7 * lineGap / 2.0 - 30.0;
    paintBeam(p, QPointF(112 + 5.2 - 0.7, y3), QPointF(142 + 5.2 + 0.7, y4), gold);

    // The right phrase falls away from it.
    const std::array<std::pair<double, int>, 5> right = {
        {{530, 8}, {558, 6}, {586, 7}, {614, 4}, {646, 2}}};
    for (const auto& [x, step] : right) {
        paintNote(p, x, step, false, rose);
    }
    const double y1 = staffY(530, 4) - 8 * lineGap / 2.0 + 30.0;
    const double y2 = staffY(558, 4) - 6 * lineGap / 2.0 + 30.0;
    paintBeam(p, QPointF(530 - 5.2 - 0.7, y1 - 4.5), QPointF(558 - 5.2 + 0.7, y2 - 4.5), rose);
}

QFont nameFont() {
    const QString family = QFontDatabase::hasFamily(QStringLiteral("C059"))
                               ? QStringLiteral("C059")
                               : QStringLiteral("DejaVu Serif");
    QFont font(family);
    font.setPixelSize(70);
    font.setWeight(QFont::Bold);
    font.setItalic(true);
    return font;
}

void paintName(QPainter& p) {
    const QFont font = nameFont();
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Melodrix"));
    const QRectF box = text.boundingRect();
    text.translate(338 - box.center().x(), 142);

    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(text.translated(3, 3), QColor(20, 0, 20, 150));

    const QRectF placed = text.boundingRect();
    QLinearGradient fill(0, placed.top(), 0, placed.bottom());
    fill.setColorAt(0.0, QColor(255, 246, 204));
    fill.setColorAt(0.55, QColor(250, 204, 110));
    fill.setColorAt(1.0, QColor(214, 140, 60));
    p.fillPath(text, fill);
    p.setPen(QPen(QColor(120, 40, 30, 160), 1.0));
    p.drawPath(text);
}

// A dark ribbon under the name, quiet enough for a line of white text.
void paintRibbon(QPainter& p) {
    const QRectF band(150, 174, 376, 37);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath shape;
    shape.addRoundedRect(band, 18.5, 18.5);
    QLinearGradient down(0, band.top(), 0, band.bottom());
    down.setColorAt(0.0, QColor(40, 4, 30, 170));
    down.setColorAt(0.5, QColor(28, 2, 24, 185));
    down.setColorAt(1.0, QColor(40, 4, 30, 170));
    p.fillPath(shape, down);

    const QColor gold(255, 214, 120, 190);
    p.setPen(QPen(gold, 1.2));
    p.drawPath(shape);
    QPainterPath inner;
    inner.addRoundedRect(band.adjusted(4, 4, -4, -4), 14.5, 14.5);
    p.setPen(QPen(QColor(255, 214, 120, 70), 0.8));
    p.drawPath(inner);

    // A small diamond at each end finishes the ribbon.
    for (const double x : {band.left() - 12.0, band.right() + 12.0}) {
        const double y = band.center().y();
        QPainterPath diamond;
        diamond.moveTo(x, y - 6);
        diamond.lineTo(x + 5, y);
        diamond.lineTo(x, y + 6);
        diamond.lineTo(x - 5, y);
        diamond.closeSubpath();
        p.fillPath(diamond, gold);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: make_banner <output.jpg>\n";
        return 2;
    }

    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    paintBackground(painter);
    paintStaff(painter);
    paintNotes(painter);
    paintRibbon(painter);
    paintName(painter);
    painter.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), "JPEG", 92)) {
        QTextStream(stderr) << "make_banner: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
