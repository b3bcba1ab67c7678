#pragma once

#include "music/FormState.h"
#include "effects/EffectHost.h"
#include "effects/Effects.h"
#include "platform/SurfaceWidget.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class SoundCard;

// The full-screen main window: the drawing surface over the control panel. It wires
// buttons, keys, sliders and timers to the Effects and the music; it owns their state.
class frmGraphicsPlay : public QWidget, public EffectHost {
    Q_OBJECT
public:
    explicit frmGraphicsPlay(SoundCard& card, QWidget* parent = nullptr);
    ~frmGraphicsPlay() override;

    // Does ahead, while hidden, what the first showing would otherwise wait for: the window
    // at the screen's size, its native window, and a first rendering that loads its fonts
    // and styles.
    void prepareToShow();

    // Shows the window; its load handler runs first.
    void showLoaded();

    // EffectHost
    FormState& state() override { return state_; }
    platform::DrawingSurface& MyPic() override { return picture->surface(); }
    void PlayNote() override;
    QString caption() const override;
    void setCaption(const QString& text) override;
    QString buttonCaption(EffectButton button) const override;
    void AddTuneToCaption() override;
    void setTimerEnabled(EffectTimer timer, bool enabled) override;
    bool timerEnabled(EffectTimer timer) const override;
    void Pause(int16_t milliseconds) override;
    bool unloaded() const override { return unloaded_; }

    // Handlers.
    void Form_Load();
    void Form_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);
    void cmdClear_Click();
    void cmdStop_Click();
    void cmdQuit_Click();
    void SpeedSlider_Change();
    void SliderVolume_Change();
    void optTune_Click(int index);
    void TogglePanel();
    void LoadTune();

    QTimer& timer(EffectTimer t) { return *effectTimers_[static_cast<std::size_t>(t)]; }
    QAbstractButton* effectButton(EffectButton b) const {
        return effectButtons_[static_cast<std::size_t>(b)];
    }
    Effects& effects() { return *effects_; }
    int selectedTune() const;

    // Controls, named as designed.
    platform::SurfaceWidget* picture = nullptr; // MyPic
    QWidget* picButtons = nullptr;
    QLabel* MyCaption = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdQuit = nullptr;
    QGroupBox* fraTunes = nullptr;
    std::array<QRadioButton*, 9> optTune{};
    QLabel* lblHelp = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* SliderVolume = nullptr;
    QSlider* SpeedSlider = nullptr;
    QTimer AdTimer;

    // The key legend, exactly as designed.
    static const QString KeyLegend;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void coverScreen();
    // Panel and surface from the window's present size.
    void layOut();
    void Form_Unload();
    // The window the key events are first delivered to, for key preview.
    bool firstReceiver(QObject* watched) const;

    SoundCard& card_;
    FormState state_;
    std::unique_ptr<Effects> effects_;
    std::array<QAbstractButton*, EffectButtonCount> effectButtons_{};
    std::array<std::unique_ptr<QTimer>, EffectTimerCount> effectTimers_;
    bool unloaded_ = false;
    bool loaded_ = false;
    // How far down the surface reaches: at load it leaves the caption's strip above the
    // panel; once the panel has been hidden or shown, it reaches the panel or the bottom.
    enum class SurfaceRule { AboveCaptionStrip, AbovePanel, Full };
    SurfaceRule surfaceRule_ = SurfaceRule::AboveCaptionStrip;

    struct KeyMemo {
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp = 0;
        bool set = false;
    } keyMemo_;
};
