#pragma once

#include <QWidget>

class PageView;
class QPushButton;

class frmHelp : public QWidget {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    void Form_Load();
    // KeyCode uses the classic key codes: 27 is Escape.
    void Form_KeyDown(int KeyCode, int Shift);

    PageView* MyBrowser = nullptr;
    // Over the page's top right corner while there is a page to go back to (Backspace and
    // Alt+Left go back as well).
    QPushButton* cmdBack = nullptr;

signals:
    void unloaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void placeBackButton();
};
