#pragma once

#include <QWidget>

#include <functional>

class PageView;
class QLabel;
class QPushButton;

class frmAd : public QWidget {
    Q_OBJECT

public:
    explicit frmAd(QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdStopMusic_Click();

    PageView* MyBrowser = nullptr;
    QLabel* picIcon = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdStopMusic = nullptr;
    // What Stop Music does; nothing when empty.
    std::function<void()> freeze;

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
