#pragma once

#include <QPushButton>

// A command button whose caption wraps onto as many lines as its width needs. While it has
// the focus, Return and Enter press it as Space does.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
