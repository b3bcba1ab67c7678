#pragma once

#include "effects/EffectHost.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

#include <array>

class QGroupBox;

// The control panel along the bottom of the main window, laid out in twips as designed: the
// caption line, the ten Effect buttons, the three command buttons, the tune options, the key
// legend and the volume and speed sliders.
class ControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent);

    // The key legend, worded and spaced so that each entry wraps onto a line of its own.
    static const QString KeyLegend;

    QLabel* caption() const { return caption_; }
    QAbstractButton* effectButton(EffectButton button) const {
        return effectButtons_[static_cast<std::size_t>(button)];
    }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* freezeButton() const { return freeze_; }
    QPushButton* quitButton() const { return quit_; }
    QRadioButton* tuneOption(int index) const { return tuneOptions_.at(std::size_t(index)); }
    // The checked tune option, or -1.
    int selectedTune() const;
    QLabel* legend() const { return legend_; }
    // Volume: 0 at the top, 127 at the bottom.
    QSlider* volumeSlider() const { return volume_; }
    QSlider* speedSlider() const { return speed_; }

signals:
    void effectClicked(EffectButton button);
    void tuneClicked(int index);
    // The volume slider's value changed, or it was let go.
    void volumeChanged(int value);

private:
    void addEffectButtons();
    void addTuneOptions();
    void addVolume();
    void addSpeed();

    QLabel* caption_ = nullptr;
    std::array<QAbstractButton*, EffectButtonCount> effectButtons_{};
    QPushButton* clear_ = nullptr;
    QPushButton* freeze_ = nullptr;
    QPushButton* quit_ = nullptr;
    QGroupBox* tunes_ = nullptr;
    std::array<QRadioButton*, 9> tuneOptions_{};
    QLabel* legend_ = nullptr;
    QSlider* volume_ = nullptr;
    QSlider* speed_ = nullptr;
};
