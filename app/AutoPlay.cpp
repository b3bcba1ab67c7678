#include "app/AutoPlay.h"

#include "app/frmGraphicsPlay.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <cstdio>

void PanelControls::startEffect(EffectButton button) {
    window_.panel().effectButton(button)->click();
}

void PanelControls::chooseTune(int option) {
    window_.panel().tuneOption(option)->click();
}

void PanelControls::setSpeed(int value) {
    window_.panel().speedSlider()->setValue(value);
}

void PanelControls::clearSurface() {
    window_.panel().clearButton()->click();
}

void PanelControls::freeze() {
    window_.panel().freezeButton()->click();
}

int PanelControls::runningTimers() const {
    int running = 0;
    for (int t = 0; t < EffectTimerCount; ++t) {
        running += window_.scheduler().enabled(static_cast<EffectTimer>(t)) ? 1 : 0;
    }
    return running;
}

int PanelControls::coveredPercent() const {
    // A grid of points across the picture is enough to tell how full it is.
    constexpr int across = 64;
    constexpr int down = 36;
    const QImage& image = window_.MyPic().image();
    if (image.isNull()) {
        return 0;
    }
    const QRgb black = qRgb(0, 0, 0);
    int drawn = 0;
    for (int row = 0; row < down; ++row) {
        const int y = (2 * row + 1) * image.height() / (2 * down);
        for (int column = 0; column < across; ++column) {
            const int x = (2 * column + 1) * image.width() / (2 * across);
            drawn += (image.pixel(x, y) & 0xFFFFFF) != (black & 0xFFFFFF) ? 1 : 0;
        }
    }
    return 100 * drawn / (across * down);
}

AutoPlay::AutoPlay(frmGraphicsPlay& window, uint64_t seed, int fixedSpeed, Input input,
                   platform::Clock& clock)
    : controls_(window), director_(controls_, seed, fixedSpeed), input_(input), clock_(clock),
      next_(clock.makeTimer(
          0, [this] { act(); }, platform::TimerKind::SingleShot)) {}

int64_t AutoPlay::elapsedMs() const {
    return static_cast<int64_t>((clock_.nowNanoseconds() - startedAt_) / 1000000);
}

AutoPlay::~AutoPlay() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void AutoPlay::start() {
    running_ = true;
    startedAt_ = clock_.nowNanoseconds();
    if (input_ == Input::EndsIt) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    act();
}

void AutoPlay::act() {
    if (!running_) {
        return;
    }
    const int64_t due = director_.step(elapsedMs());
    // The step may have run other handlers (a pause), the user's among them.
    if (running_) {
        next_->setInterval(static_cast<int>(std::max<int64_t>(0, due - elapsedMs())));
        next_->start();
    }
}

bool AutoPlay::eventFilter(QObject* watched, QEvent* event) {
    const bool byUser = event->spontaneous() && (event->type() == QEvent::KeyPress ||
                                                 event->type() == QEvent::MouseButtonPress);
    if (running_ && byUser) {
        running_ = false;
        next_->stop();
        QCoreApplication::instance()->removeEventFilter(this);
        std::fputs("zelphor: autoplay ended by the user; the Effects running go on\n", stderr);
    }
    return QObject::eventFilter(watched, event);
}
