#pragma once

#include <QPushButton>

// A command button whose caption wraps onto as many lines as its width needs.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
