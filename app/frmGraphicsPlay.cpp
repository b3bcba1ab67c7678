#include "app/frmGraphicsPlay.h"

#include "app/WindowMode.h"
#include "effects/EffectTable.h"
#include "music/NotePlayer.h"
#include "music/SoundCard.h"
#include "music/Tunes.h"
#include "windows/InfoWindows.h"
#include "windows/KeyPreview.h"

#include <QAbstractButton>
#include <QBackingStore>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSlider>
#include <QWindow>

#include <algorithm>

frmGraphicsPlay::frmGraphicsPlay(SoundCard& card, const app::ProgramContext& context,
                                 QWidget* parent)
    : QWidget(parent, app::mainWindowFlags(context.windowed)), card_(card), clock_(context.clock),
      random_(context.random), windowed_(context.windowed),
      scheduler_([this](EffectTimer timer) { effects_.tick(timer); }, context.clock),
      adTimer_(context.clock.makeTimer(
          adEveryMs, [this] { InfoWindows::AdTimer_Timer(random_, freezeAction()); })) {
    state_.Output = &card.link();
    setWindowTitle(QStringLiteral("Zelphor"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    resize(1024, 768);

    picture_ = new platform::SurfaceWidget(this);
    picture_->setGeometry(0, 0, 1024, 768);
    panel_ = new ControlPanel(this);
    wirePanel();
}

frmGraphicsPlay::~frmGraphicsPlay() = default;

InfoWindows::FreezeAction frmGraphicsPlay::freezeAction() {
    // The windows it is handed to may outlive this one, or its load.
    return [window = QPointer<frmGraphicsPlay>(this)] {
        if (window && window->loaded_ && !window->unloaded()) {
            window->panel_->freezeButton()->click();
        }
    };
}

void frmGraphicsPlay::wirePanel() {
    connect(panel_, &ControlPanel::effectClicked, this,
            [this](EffectButton button) { effects_.click(button); });
    connect(panel_->clearButton(), &QPushButton::clicked, this, [this] { MyPic().Cls(); });
    connect(panel_->freezeButton(), &QPushButton::clicked, this, &frmGraphicsPlay::cmdStop_Click);
    connect(panel_->quitButton(), &QPushButton::clicked, this, &QWidget::close);
    connect(panel_, &ControlPanel::tuneClicked, this,
            [this] { Tunes::LoadTune(state_, panel_->selectedTune(), random_); });
    connect(panel_, &ControlPanel::volumeChanged, this,
            [this](int value) { SetVolumeFromSlider(state_, value); });
    connect(panel_->speedSlider(), &QSlider::valueChanged, this,
            [this](int speed) { scheduler_.setSpeed(speed); });

    auto* keys =
        new KeyPreview(this, [this](QWidget*, const QKeyEvent& key) { return previewKey(key); });
    // F and Q already act through the key preview whatever the modifiers.
    keys->ignoreAccessKeysOf(panel_->freezeButton());
    keys->ignoreAccessKeysOf(panel_->quitButton());
}

void frmGraphicsPlay::showLoaded() {
    Form_Load();
    // A window manager may grant full screen, or something else (a desktop panel kept in
    // view); the panel is laid out again from whatever size arrives, also when a window
    // asked for on the command line is resized.
    if (windowed_) {
        show();
    } else {
        showFullScreen();
    }
    panel_->effectButton(EffectTable.front().button)->setFocus();
}

void frmGraphicsPlay::showInside(QWindow* host, QSize size) {
    hostSize_ = size;
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                            Qt::WindowTransparentForInput;
    if (host == nullptr) {
        flags |= Qt::BypassWindowManagerHint | Qt::WindowStaysOnBottomHint;
    }
    setWindowFlags(flags);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    loadUnshown(size);
    winId();
    if (host != nullptr) {
        windowHandle()->setParent(host);
    }
    setGeometry(QRect(QPoint(0, 0), size));
    show();
    if (host == nullptr) {
        lower();
    }
}

void frmGraphicsPlay::loadUnshown(QSize size) {
    hostSize_ = size;
    panel_->hide();
    Form_Load();
    adTimer_->stop();
}

void frmGraphicsPlay::fitInside(QSize size) {
    hostSize_ = size;
    setGeometry(QRect(QPoint(0, 0), size));
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
    const QRect area =
        hostSize_ ? QRect(QPoint(0, 0), *hostSize_) : app::mainWindowArea(screen, windowed_);
    surfaceRule_ = hostSize_ ? SurfaceRule::Full : SurfaceRule::AboveCaptionStrip;
    setGeometry(area);
    layOut();
}

void frmGraphicsPlay::layOut() {
    if (panel_ == nullptr || picture_ == nullptr) {
        return;
    }
    // The panel along the bottom edge across the full width, its controls where designed;
    // the surface from the top-left corner down to the rule in force.
    const int inner = height();
    const int panel = panel_->height();
    panel_->setGeometry(0, inner - panel, width(), panel);
    int below = 0;
    switch (surfaceRule_) {
    case SurfaceRule::AboveCaptionStrip:
        below = panel + panel_->caption()->height();
        break;
    case SurfaceRule::AbovePanel:
        below = panel;
        break;
    case SurfaceRule::Full:
        below = 0;
        break;
    }
    const QSize surface(width(), std::max(1, inner - below));
    picture_->setGeometry(QRect(QPoint(0, 0), surface));
    picture_->surface().resize(surface);
}

void frmGraphicsPlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void frmGraphicsPlay::Form_Load() {
    // The window covers the screen before anything reads the surface's size.
    coverScreen();
    scheduler_.load(panel_->speedSlider()->value());
    // The colours, note lists, tune and first tone start from the surface's size.
    PrepareFormState(state_, MyPic().ScaleWidth(), MyPic().ScaleHeight(), random_);
    panel_->caption()->setText(VersionCaption());

    adTimer_->start();
    loaded_ = true;
}

void frmGraphicsPlay::PlayNote() {
    ::PlayNote(state_);
}

QString frmGraphicsPlay::caption() const {
    return panel_->caption()->text();
}

void frmGraphicsPlay::setCaption(const QString& text) {
    panel_->caption()->setText(text);
}

QString frmGraphicsPlay::buttonCaption(EffectButton button) const {
    return panel_->effectButton(button)->text();
}

void frmGraphicsPlay::AddTuneToCaption() {
    setCaption(Tunes::AddTuneToCaption(caption(), panel_->selectedTune()));
}

void frmGraphicsPlay::setTimerEnabled(EffectTimer timer, bool enabled) {
    scheduler_.setEnabled(timer, enabled);
}

bool frmGraphicsPlay::timerEnabled(EffectTimer timer) const {
    return scheduler_.enabled(timer);
}

void frmGraphicsPlay::Pause(int16_t milliseconds) {
    if (milliseconds >= 0) {
        clock_.pause(milliseconds);
    }
}

void frmGraphicsPlay::cmdStop_Click() {
    card_.MidiReset();
    scheduler_.stopAll();
}

void frmGraphicsPlay::TogglePanel() {
    panel_->setVisible(!panel_->isVisible());
    // From now on the surface reaches the panel's top edge, or the bottom when it is hidden.
    surfaceRule_ = panel_->isVisible() ? SurfaceRule::AbovePanel : SurfaceRule::Full;
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
        InfoWindows::ShowAbout(freezeAction());
        break;
    default:
        break;
    }
}

bool frmGraphicsPlay::previewKey(const QKeyEvent& key) {
    if (loaded_ && !unloaded()) {
        Form_KeyDown(key.key(), key.modifiers());
    }
    // Never used up: the focused control still gets the key (an arrow moves a slider).
    return false;
}

void frmGraphicsPlay::Form_Unload() {
    card_.MidiReset();
    card_.CloseCard();
    scheduler_.unload();
    adTimer_->stop();
}

void frmGraphicsPlay::closeEvent(QCloseEvent* event) {
    if (!unloaded()) {
        Form_Unload();
    }
    event->accept();
}
