#pragma once

#include <QLabel>
#include <QWidget>

// The start-up window: the banner, the title and the version while the jingle plays.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
};
