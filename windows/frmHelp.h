#pragma once

#include <QWidget>

class PageView;
class QPushButton;

class frmHelp : public QWidget {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    void Form_Load();
    // Escape closes the window; returns whether the key was used up.
    bool Form_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);

    PageView* MyBrowser = nullptr;
    // Over the page's top right corner while there is a page to go back to (Backspace and
    // Alt+Left go back as well).
    QPushButton* cmdBack = nullptr;

signals:
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void placeBackButton();
};
