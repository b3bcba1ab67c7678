#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdMoreInfo_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdMoreInfo = nullptr;
    // Handed to the advertisement window More Info opens.
    std::function<void()> freeze;

signals:
    void unloaded();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
};
