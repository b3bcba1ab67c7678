#pragma once

#include <QWidget>

class PageView;

class frmHelp : public QWidget {
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    void Form_Load();
    // KeyCode uses the classic key codes: 27 is Escape.
    void Form_KeyDown(int KeyCode, int Shift);

    PageView* MyBrowser = nullptr;

signals:
    void unloaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
