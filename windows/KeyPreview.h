#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <vector>

class QKeyEvent;

// Key preview for a window: its handler sees each key pressed in the window once, before the
// control with the focus does, whichever control that is. Qt may offer a press first as a
// shortcut override and then as a key press, or as a key press alone; the handler runs at the
// first of these, with the control that received it. It returns true when it has used the key up,
// so the focused control does not get it; false passes the key on.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QWidget* receiver, const QKeyEvent& key)>;
    KeyPreview(QWidget* window, Handler handler);
    ~KeyPreview() override;

    // A key the handler acts on whatever the modifiers must not act a second time as this
    // button's access key.
    void ignoreAccessKeysOf(QWidget* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether this is the delivery already seen, passed on to a parent or forwarded.
    bool sameDelivery(const QEvent* event, const QKeyEvent& key) const;

    QWidget* window_;
    Handler handler_;
    std::vector<QObject*> ignoredAccessKeys_;
    // The press last acted on at its shortcut override, so that its key press passes.
    struct Memo {
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp = 0;
        bool usedUp = false;
        bool set = false;
    } memo_;
    // The delivery last seen, until the key is released: Qt passes a key the receiver leaves
    // unused on to its parent, and the handler acts at the first receiver only.
    struct Delivery {
        const QEvent* event = nullptr;
        QEvent::Type type = QEvent::None;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp = 0;
        bool usedUp = false;
    } delivery_;
};
