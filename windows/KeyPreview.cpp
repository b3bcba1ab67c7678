#include "windows/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

KeyPreview::KeyPreview(QWidget* window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    // Application-wide, so that keys are seen before any control of the window handles them.
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    qApp->removeEventFilter(this);
}

void KeyPreview::ignoreAccessKeysOf(QWidget* button) {
    ignoredAccessKeys_.push_back(button);
}

bool KeyPreview::sameDelivery(const QEvent* event, const QKeyEvent& key) const {
    return event == delivery_.event && event->type() == delivery_.type &&
           key.key() == delivery_.key && key.modifiers() == delivery_.modifiers &&
           key.timestamp() == delivery_.timestamp;
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Shortcut && std::find(ignoredAccessKeys_.begin(), ignoredAccessKeys_.end(),
                                              watched) != ignoredAccessKeys_.end()) {
        return true;
    }
    if (type == QEvent::KeyRelease) {
        delivery_ = {};
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || widget == nullptr ||
        widget->window() != window_) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (sameDelivery(event, *key)) {
        return delivery_.usedUp;
    }
    // A press offered as a shortcut override comes again as a key press; it acts once.
    const bool offeredBefore = memo_.set && memo_.key == key->key() &&
                               memo_.modifiers == key->modifiers() &&
                               memo_.timestamp == key->timestamp();
    bool usedUp = false;
    if (type == QEvent::KeyPress && offeredBefore) {
        memo_.set = false;
        usedUp = memo_.usedUp;
    } else {
        usedUp = handler_(widget, *key);
        memo_ = {key->key(), key->modifiers(), key->timestamp(), usedUp,
                 type == QEvent::ShortcutOverride};
    }
    delivery_ = {event, type, key->key(), key->modifiers(), key->timestamp(), usedUp};
    // An override left unaccepted lets the window's shortcuts have the key; the key press
    // that follows is where a used-up key is held back.
    return type == QEvent::KeyPress && usedUp;
}
