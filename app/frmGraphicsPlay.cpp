#include "app/frmGraphicsPlay.h"

#include "windows/Fonts.h"
#include "app/MainSplash.h"
#include "app/WindowMode.h"
#include "app/WrapButton.h"
#include "music/NotePlayer.h"
#include "music/SoundCard.h"
#include "music/Tunes.h"
#include "platform/Twips.h"
#include "windows/InfoWindows.h"

#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

using platform::px;
using platform::twipRect;

const QString frmGraphicsPlay::KeyLegend = QStringLiteral(
    "F  -               Freeze                  H or F1  -     Help                      Q or "
    "ESC -   Quit                       P -               Panel Show/Hide  A -               "
    "About Zelphor");

namespace {

struct ButtonDesign {
    EffectButton id;
    const char* caption;
    int left;
};

constexpr ButtonDesign effectButtonDesign[] = {
    {EffectButton::cmdGalactic, "Galactic Satellites", 120},
    {EffectButton::cmdEinsteinWaves, "Einstein Waves", 1320},
    {EffectButton::CmdBlackHoles, "Black Holes", 2520},
    {EffectButton::cmdTrig, "Trigonemtric Tracejtories", 3720},
    {EffectButton::cmdJagged, "Jagged Maze", 4920},
    {EffectButton::cmdWash, "Spectral Flood", 6120},
    {EffectButton::cmdExplodingSuns, "Exploding Suns", 7320},
    {EffectButton::cmdSineWaver, "Cosmic Sines", 8520},
    {EffectButton::cmdRainbow, "Saturated Rainbow", 9720},
    {EffectButton::cmdShadedRainbow, "Meteorites", 10920},
};

// Design intervals, in the order of EffectTimer.
constexpr int designInterval[EffectTimerCount] = {50, 10, 20, 5, 30, 5, 10, 5, 10};

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

int interval(double milliseconds) {
    return static_cast<int>(std::nearbyint(milliseconds));
}

} // namespace

frmGraphicsPlay::frmGraphicsPlay(SoundCard& card, QWidget* parent)
    : QWidget(parent, app::mainWindowFlags()), card_(card) {
    setWindowTitle(QStringLiteral("Zelphor"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    resize(1024, 768);

    effects_ = std::make_unique<Effects>(*this);
    for (int i = 0; i < EffectTimerCount; ++i) {
        auto t = std::make_unique<QTimer>();
        t->setTimerType(Qt::PreciseTimer);
        t->setInterval(designInterval[i]);
        const auto id = static_cast<EffectTimer>(i);
        connect(t.get(), &QTimer::timeout, this, [this, id] { effects_->tick(id); });
        effectTimers_[static_cast<std::size_t>(i)] = std::move(t);
    }
    AdTimer.setTimerType(Qt::PreciseTimer);
    AdTimer.setInterval(15000);
    connect(&AdTimer, &QTimer::timeout, this, [] { InfoWindows::AdTimer_Timer(); });

    buildControls();
    qApp->installEventFilter(this);
}

frmGraphicsPlay::~frmGraphicsPlay() {
    qApp->removeEventFilter(this);
    InfoWindows::SetFreezeAction({});
}

void frmGraphicsPlay::buildControls() {
    picture = new platform::SurfaceWidget(this);
    picture->setGeometry(0, 0, 1024, 768);

    picButtons = new QWidget(this);
    picButtons->setGeometry(twipRect(0, 9165, 15360, 2355));
    picButtons->setAutoFillBackground(true);
    picButtons->setPalette(palette());
    picButtons->setFont(Fonts::panel());

    MyCaption = label(picButtons, QStringLiteral("Zelphor"), twipRect(0, 0, 19095, 255),
                      QStringLiteral("color: white; background-color: rgb(0, 0, 192);"));

    for (const auto& design : effectButtonDesign) {
        auto* b = new WrapButton(QString::fromLatin1(design.caption), picButtons);
        b->setGeometry(twipRect(design.left, 480, 1095, 615));
        const EffectButton id = design.id;
        connect(b, &QPushButton::clicked, this, [this, id] { effects_->click(id); });
        effectButtons_[static_cast<std::size_t>(id)] = b;
    }

    auto command = [this](const char* caption, int left) {
        auto* b = new WrapButton(QString::fromLatin1(caption), picButtons);
        b->setGeometry(twipRect(left, 1200, 1095, 615));
        return b;
    };
    cmdClear = command("&Clear Screen", 120);
    cmdStop = command("&Freeze Everything", 1320);
    cmdQuit = command("&Quit", 2520);
    connect(cmdClear, &QPushButton::clicked, this, &frmGraphicsPlay::cmdClear_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmGraphicsPlay::cmdStop_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmGraphicsPlay::cmdQuit_Click);
    // F and Q already act through the key handler whatever the modifiers; their access
    // keys must not act a second time.
    cmdStop->installEventFilter(this);
    cmdQuit->installEventFilter(this);

    const QString pink = QStringLiteral("background-color: rgb(255, 192, 192);");
    fraTunes = new QGroupBox(QStringLiteral("Select a scale or tune"), picButtons);
    fraTunes->setGeometry(twipRect(3720, 1200, 10695, 615));
    fraTunes->setAutoFillBackground(true);
    QPalette framePalette = fraTunes->palette();
    framePalette.setColor(QPalette::Window, QColor(255, 192, 192));
    framePalette.setColor(QPalette::WindowText, Qt::black);
    fraTunes->setPalette(framePalette);
    for (int i = 0; i < Tunes::OptionCount; ++i) {
        auto* option = new QRadioButton(Tunes::OptionCaptions().at(i), fraTunes);
        option->setGeometry(twipRect(optionDesign[i].left, 240, optionDesign[i].width, 255));
        option->setStyleSheet(pink + QStringLiteral(" color: black;"));
        connect(option, &QRadioButton::clicked, this, [this, i] { optTune_Click(i); });
        optTune[static_cast<std::size_t>(i)] = option;
    }
    optTune[0]->setChecked(true);

    lblHelp = label(picButtons, KeyLegend, twipRect(12240, 240, 2175, 975),
                    QStringLiteral("color: white; background: transparent;"));
    lblHelp->setWordWrap(true);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = label(picButtons, QStringLiteral("Volume"), twipRect(14520, 240, 615, 255),
                   QStringLiteral("color: rgb(255, 192, 128); background-color: black;"));
    Label4 = label(picButtons, QStringLiteral("Min"), twipRect(14520, 480, 375, 255),
                   QStringLiteral("color: white; background-color: black;"));
    Label3 = label(picButtons, QStringLiteral("Max"), twipRect(14520, 1560, 375, 255),
                   QStringLiteral("color: white; background-color: black;"));

    SliderVolume = new QSlider(Qt::Vertical, picButtons);
    SliderVolume->setGeometry(twipRect(14880, 480, 255, 1335));
    SliderVolume->setRange(0, 127);
    SliderVolume->setValue(101);
    SliderVolume->setSingleStep(1);
    SliderVolume->setPageStep(5);
    SliderVolume->setTickInterval(1);
    SliderVolume->setTickPosition(QSlider::TicksRight);
    SliderVolume->setInvertedAppearance(true);
    SliderVolume->setInvertedControls(true);
    connect(SliderVolume, &QSlider::valueChanged, this, &frmGraphicsPlay::SliderVolume_Change);
    connect(SliderVolume, &QSlider::sliderReleased, this, &frmGraphicsPlay::SliderVolume_Change);

    Label1 = label(picButtons, QStringLiteral("Speed MegaMetres per nano-second"),
                   twipRect(60, 1920, 2670, 255),
                   QStringLiteral("color: white; background: transparent;"));
    QFont narrower = Label1->font();
    narrower.setStretch(95);
    Label1->setFont(narrower);

    SpeedSlider = new QSlider(Qt::Horizontal, picButtons);
    SpeedSlider->setGeometry(twipRect(2760, 1920, 16815, 375));
    SpeedSlider->setRange(1, 400);
    SpeedSlider->setValue(50);
    SpeedSlider->setSingleStep(1);
    SpeedSlider->setPageStep(10);
    SpeedSlider->setTickInterval(1);
    SpeedSlider->setTickPosition(QSlider::TicksBelow);
    connect(SpeedSlider, &QSlider::valueChanged, this, &frmGraphicsPlay::SpeedSlider_Change);
}

void frmGraphicsPlay::showLoaded() {
    Form_Load();
    // A window manager may grant full screen, or something else (a desktop panel kept in
    // view); the panel is laid out again from whatever size arrives, also when a window
    // asked for on the command line is resized.
    if (app::windowedSize()) {
        show();
    } else {
        showFullScreen();
    }
    if (effectButtons_[0] != nullptr) {
        effectButtons_[0]->setFocus();
    }
}

void frmGraphicsPlay::prepareToShow() {
    coverScreen();
    winId();
    // A rendering thrown away: it loads the fonts and styles the first paint needs.
    QImage scratch(size(), QImage::Format_RGB32);
    render(&scratch);
    // The window's buffer is fresh memory whose first writes are slow; it is filled here,
    // with the background it shows first anyway.
    if (QBackingStore* store = backingStore()) {
        const QRect all(QPoint(0, 0), size());
        store->resize(all.size());
        store->beginPaint(all);
        if (QPaintDevice* device = store->paintDevice()) {
            QPainter(device).fillRect(all, palette().color(QPalette::Window));
        }
        store->endPaint();
    }
}

void frmGraphicsPlay::coverScreen() {
    // A bare X server has no window manager to grant full screen: the window covers the
    // screen by itself.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = app::mainWindowArea(screen);
    surfaceRule_ = SurfaceRule::AboveCaptionStrip;
    setGeometry(area);
    layOut();
}

void frmGraphicsPlay::layOut() {
    if (picButtons == nullptr || picture == nullptr) {
        return;
    }
    // The panel along the bottom edge across the full width, its controls where designed;
    // the surface from the top-left corner down to the rule in force.
    const int inner = height();
    const int panel = picButtons->height();
    picButtons->setGeometry(0, inner - panel, width(), panel);
    int below = 0;
    switch (surfaceRule_) {
    case SurfaceRule::AboveCaptionStrip:
        below = panel + MyCaption->height();
        break;
    case SurfaceRule::AbovePanel:
        below = panel;
        break;
    case SurfaceRule::Full:
        below = 0;
        break;
    }
    const QSize surface(width(), std::max(1, inner - below));
    picture->setGeometry(QRect(QPoint(0, 0), surface));
    picture->surface().resize(surface);
}

void frmGraphicsPlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void frmGraphicsPlay::Form_Load() {
    // 1 and 2. Cover the screen, the surface above the panel.
    coverScreen();

    // 3. Six of the intervals follow the slider; the other three keep their design values.
    for (EffectTimer t :
         {EffectTimer::MyTimer, EffectTimer::RainTimer, EffectTimer::ShadedRainTimer,
          EffectTimer::JaggedTimer, EffectTimer::CircleTimer, EffectTimer::WashTimer}) {
        timer(t).setInterval(interval(1000.0 / SpeedSlider->value()));
    }

    // 4, 5 and 7 to 11. Steps from the surface size, pure red, note lists, Chromatic, the
    // first tone and instrument, the tune position.
    PrepareFormState(state_, MyPic().ScaleWidth(), MyPic().ScaleHeight());

    // 6. The caption line.
    MyCaption->setText(VersionCaption());

    InfoWindows::SetFreezeAction([this] { cmdStop->click(); });
    AdTimer.start();
    loaded_ = true;
}

void frmGraphicsPlay::PlayNote() {
    ::PlayNote(state_);
}

QString frmGraphicsPlay::caption() const {
    return MyCaption->text();
}

void frmGraphicsPlay::setCaption(const QString& text) {
    MyCaption->setText(text);
}

QString frmGraphicsPlay::buttonCaption(EffectButton button) const {
    return effectButton(button)->text();
}

int frmGraphicsPlay::selectedTune() const {
    for (int i = 0; i < Tunes::OptionCount; ++i) {
        if (optTune[static_cast<std::size_t>(i)]->isChecked()) {
            return i;
        }
    }
    return -1;
}

void frmGraphicsPlay::AddTuneToCaption() {
    MyCaption->setText(Tunes::AddTuneToCaption(MyCaption->text(), selectedTune()));
}

void frmGraphicsPlay::setTimerEnabled(EffectTimer t, bool enabled) {
    QTimer& qt = timer(t);
    if (unloaded_) {
        return;
    }
    if (enabled && !qt.isActive()) {
        qt.start();
    } else if (!enabled) {
        qt.stop();
    }
}

bool frmGraphicsPlay::timerEnabled(EffectTimer t) const {
    return effectTimers_[static_cast<std::size_t>(t)]->isActive();
}

void frmGraphicsPlay::Pause(int16_t milliseconds) {
    MainSplash::Pause(milliseconds);
}

void frmGraphicsPlay::optTune_Click(int) {
    LoadTune();
}

void frmGraphicsPlay::LoadTune() {
    Tunes::LoadTune(state_, selectedTune());
}

void frmGraphicsPlay::SliderVolume_Change() {
    SetVolumeFromSlider(state_, SliderVolume->value());
}

void frmGraphicsPlay::SpeedSlider_Change() {
    for (EffectTimer t :
         {EffectTimer::MyTimer, EffectTimer::RainTimer, EffectTimer::ShadedRainTimer,
          EffectTimer::JaggedTimer, EffectTimer::CircleTimer, EffectTimer::WashTimer,
          EffectTimer::ExplodeTimer}) {
        timer(t).setInterval(interval(1000.0 / SpeedSlider->value()));
    }
    for (EffectTimer t : {EffectTimer::SineTimer, EffectTimer::TrigTimer}) {
        timer(t).setInterval(interval(2000.0 / SpeedSlider->value()));
    }
}

void frmGraphicsPlay::cmdClear_Click() {
    MyPic().Cls();
}

void frmGraphicsPlay::cmdStop_Click() {
    card_.MidiReset();
    for (auto& t : effectTimers_) {
        t->stop();
    }
}

void frmGraphicsPlay::cmdQuit_Click() {
    close();
}

void frmGraphicsPlay::TogglePanel() {
    picButtons->setVisible(!picButtons->isVisible());
    // From now on the surface reaches the panel's top edge, or the bottom when it is hidden.
    surfaceRule_ = picButtons->isVisible() ? SurfaceRule::AbovePanel : SurfaceRule::Full;
    layOut();
}

void frmGraphicsPlay::Form_KeyDown(int KeyCode, Qt::KeyboardModifiers) {
    switch (KeyCode) {
    case Qt::Key_F1:
    case Qt::Key_H:
        InfoWindows::ShowHelp();
        break;
    case Qt::Key_P:
        TogglePanel();
        break;
    case Qt::Key_Escape:
    case Qt::Key_Q:
        close();
        break;
    case Qt::Key_F:
        cmdStop_Click();
        break;
    case Qt::Key_A:
        InfoWindows::ShowAbout();
        break;
    default:
        break;
    }
}

bool frmGraphicsPlay::firstReceiver(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    // Keys go to the focused control first and then up its parents; act on the first only.
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && focus->window() == this) {
        return widget == focus;
    }
    return widget == this;
}

bool frmGraphicsPlay::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Shortcut && (watched == cmdStop || watched == cmdQuit)) {
        return true;
    }
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && !unloaded_ && loaded_ &&
        firstReceiver(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        // A press may arrive as a shortcut override first and then as a key press; it
        // acts once, and is never consumed, so the focused control still gets it.
        const bool same = keyMemo_.set && keyMemo_.key == key->key() &&
                          keyMemo_.modifiers == key->modifiers() &&
                          keyMemo_.timestamp == key->timestamp();
        if (type == QEvent::KeyPress && same) {
            keyMemo_.set = false;
            return false;
        }
        if (type == QEvent::ShortcutOverride) {
            keyMemo_ = {key->key(), key->modifiers(), key->timestamp(), true};
        } else {
            keyMemo_.set = false;
        }
        Form_KeyDown(key->key(), key->modifiers());
    }
    return false;
}

void frmGraphicsPlay::Form_Unload() {
    card_.MidiReset();
    card_.CloseCard();
    unloaded_ = true;
    for (auto& t : effectTimers_) {
        t->stop();
    }
    AdTimer.stop();
    InfoWindows::SetFreezeAction({});
}

void frmGraphicsPlay::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        Form_Unload();
    }
    event->accept();
}
