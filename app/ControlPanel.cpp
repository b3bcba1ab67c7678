#include "app/ControlPanel.h"

#include "app/WrapButton.h"
#include "effects/EffectTable.h"
#include "music/Tunes.h"
#include "platform/Twips.h"
#include "windows/Fonts.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>

using platform::twipRect;

const QString ControlPanel::KeyLegend = QStringLiteral(
    "F  -               Freeze                  H or F1  -     Help                      Q or "
    "ESC -   Quit                       P -               Panel Show/Hide  A -               "
    "About Zelphor");

namespace {

struct OptionDesign {
    int left;
    int width;
};
constexpr OptionDesign optionDesign[Tunes::OptionCount] = {{0, 1095},    {1080, 855},  {1920, 735},
                                                           {2760, 1095}, {3960, 1215}, {5280, 1335},
                                                           {6720, 1575}, {8280, 1335}, {9720, 975}};

QLabel* label(QWidget* parent, const QString& text, const QRect& geometry, const QString& style) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    l->setStyleSheet(style);
    return l;
}

QPushButton* commandButton(QWidget* parent, const char* caption, int left) {
    auto* b = new WrapButton(QString::fromLatin1(caption), parent);
    b->setGeometry(twipRect(left, 1200, 1095, 615));
    return b;
}

// A slider moved one by one with the arrows, with a tick mark at every value.
QSlider* slider(QWidget* parent, Qt::Orientation orientation, const QRect& geometry, int minimum,
                int maximum, int value, int pageStep, QSlider::TickPosition ticks) {
    auto* s = new QSlider(orientation, parent);
    s->setGeometry(geometry);
    s->setRange(minimum, maximum);
    s->setValue(value);
    s->setSingleStep(1);
    s->setPageStep(pageStep);
    s->setTickInterval(1);
    s->setTickPosition(ticks);
    return s;
}

} // namespace

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent) {
    setGeometry(twipRect(0, 9165, 15360, 2355));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFont(Fonts::panel());

    caption_ = label(this, QStringLiteral("Zelphor"), twipRect(0, 0, 19095, 255),
                     QStringLiteral("color: white; background-color: rgb(0, 0, 192);"));
    addEffectButtons();
    clear_ = commandButton(this, "&Clear Screen", 120);
    freeze_ = commandButton(this, "&Freeze Everything", 1320);
    quit_ = commandButton(this, "&Quit", 2520);
    addTuneOptions();

    legend_ = label(this, KeyLegend, twipRect(12240, 240, 2175, 975),
                    QStringLiteral("color: white; background: transparent;"));
    legend_->setWordWrap(true);
    legend_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    addVolume();
    addSpeed();
}

void ControlPanel::addEffectButtons() {
    for (const EffectDesign& design : EffectTable) {
        auto* b = new WrapButton(QString::fromLatin1(design.caption), this);
        b->setGeometry(twipRect(design.left, 480, 1095, 615));
        const EffectButton id = design.button;
        connect(b, &QPushButton::clicked, this, [this, id] { emit effectClicked(id); });
        effectButtons_[static_cast<std::size_t>(id)] = b;
    }
}

void ControlPanel::addTuneOptions() {
    tunes_ = new QGroupBox(QStringLiteral("Select a scale or tune"), this);
    tunes_->setGeometry(twipRect(3720, 1200, 10695, 615));
    tunes_->setAutoFillBackground(true);
    QPalette framePalette = tunes_->palette();
    framePalette.setColor(QPalette::Window, QColor(255, 192, 192));
    framePalette.setColor(QPalette::WindowText, Qt::black);
    tunes_->setPalette(framePalette);
    const QString style = QStringLiteral("background-color: rgb(255, 192, 192); color: black;");
    for (int i = 0; i < Tunes::OptionCount; ++i) {
        auto* option = new QRadioButton(Tunes::OptionCaptions().at(i), tunes_);
        option->setGeometry(twipRect(optionDesign[i].left, 240, optionDesign[i].width, 255));
        option->setStyleSheet(style);
        connect(option, &QRadioButton::clicked, this, [this, i] { emit tuneClicked(i); });
        tuneOptions_[static_cast<std::size_t>(i)] = option;
    }
    tuneOptions_[0]->setChecked(true);
}

int ControlPanel::selectedTune() const {
    for (int i = 0; i < Tunes::OptionCount; ++i) {
        if (tuneOptions_[static_cast<std::size_t>(i)]->isChecked()) {
            return i;
        }
    }
    return -1;
}

void ControlPanel::addVolume() {
    label(this, QStringLiteral("Volume"), twipRect(14520, 240, 615, 255),
          QStringLiteral("color: rgb(255, 192, 128); background-color: black;"));
    label(this, QStringLiteral("Min"), twipRect(14520, 480, 375, 255),
          QStringLiteral("color: white; background-color: black;"));
    label(this, QStringLiteral("Max"), twipRect(14520, 1560, 375, 255),
          QStringLiteral("color: white; background-color: black;"));

    volume_ = slider(this, Qt::Vertical, twipRect(14880, 480, 255, 1335), 0, 127, 101, 5,
                     QSlider::TicksRight);
    volume_->setInvertedAppearance(true);
    volume_->setInvertedControls(true);
    connect(volume_, &QSlider::valueChanged, this, &ControlPanel::volumeChanged);
    connect(volume_, &QSlider::sliderReleased, this,
            [this] { emit volumeChanged(volume_->value()); });
}

void ControlPanel::addSpeed() {
    QLabel* title = label(this, QStringLiteral("Speed MegaMetres per nano-second"),
                          twipRect(60, 1920, 2670, 255),
                          QStringLiteral("color: white; background: transparent;"));
    QFont narrower = title->font();
    narrower.setStretch(95);
    title->setFont(narrower);

    speed_ = slider(this, Qt::Horizontal, twipRect(2760, 1920, 16815, 375), 1, 400, 50, 10,
                    QSlider::TicksBelow);
}
