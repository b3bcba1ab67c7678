#pragma once

#include "app/ControlPanel.h"
#include "app/ProgramContext.h"
#include "effects/EffectHost.h"
#include "effects/EffectScheduler.h"
#include "effects/Effects.h"
#include "music/FormState.h"
#include "platform/Clock.h"
#include "platform/SurfaceWidget.h"
#include "windows/InfoWindows.h"

#include <QWidget>

#include <memory>
#include <optional>

class QKeyEvent;
class QWindow;
class SoundCard;

// The full-screen main window: the drawing surface over the control panel. It wires the
// panel's controls and the keys to the Effects, their timers and the music, and owns the
// shared state. Its timers and pauses read time through the context's clock, and its random
// numbers come from the context's source.
class frmGraphicsPlay : public QWidget, public EffectHost {
    Q_OBJECT
public:
    frmGraphicsPlay(SoundCard& card, const app::ProgramContext& context, QWidget* parent = nullptr);
    // How often the advertisement has its chance, in milliseconds of the context's clock.
    static constexpr int adEveryMs = 15000;
    ~frmGraphicsPlay() override;

    // Does ahead, while hidden, what the first showing would otherwise wait for: the window
    // at the screen's size, its native window, and a first rendering that loads its fonts
    // and styles.
    void prepareToShow();

    // Shows the window; its load handler runs first.
    void showLoaded();

    // Shows only the surface, filling a window of another program (a screensaver's) or, with
    // no host, the whole screen below every other window; it takes no input and shows no
    // advertisement. The load handler runs first, at that size.
    void showInside(QWindow* host, QSize size);
    // The host window's new size.
    void fitInside(QSize size);
    // Loads without showing: only the surface, of that size, and no advertisement. For a
    // show drawn into a file.
    void loadUnshown(QSize size);

    // EffectHost
    FormState& state() override { return state_; }
    platform::DrawingSurface& MyPic() override { return picture_->surface(); }
    platform::RandomSource& random() override { return random_; }
    void PlayNote() override;
    QString caption() const override;
    void setCaption(const QString& text) override;
    QString buttonCaption(EffectButton button) const override;
    void AddTuneToCaption() override;
    void setTimerEnabled(EffectTimer timer, bool enabled) override;
    bool timerEnabled(EffectTimer timer) const override;
    void Pause(int16_t milliseconds) override;
    bool unloaded() const override { return scheduler_.unloaded(); }

    // Handlers.
    void Form_Load();
    void Form_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);
    void cmdStop_Click();
    void TogglePanel();

    ControlPanel& panel() { return *panel_; }
    EffectScheduler& scheduler() { return scheduler_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void wirePanel();
    // Stop Music of the windows this one opens: its Freeze while it is loaded.
    InfoWindows::FreezeAction freezeAction();
    void coverScreen();
    // Panel and surface from the window's present size.
    void layOut();
    void Form_Unload();
    bool previewKey(const QKeyEvent& key);

    SoundCard& card_;
    platform::Clock& clock_;
    platform::RandomSource& random_;
    std::optional<QSize> windowed_;
    FormState state_;
    Effects effects_{*this};
    EffectScheduler scheduler_;
    std::unique_ptr<platform::Timer> adTimer_;
    platform::SurfaceWidget* picture_ = nullptr;
    ControlPanel* panel_ = nullptr;
    bool loaded_ = false;
    // How far down the surface reaches: at load it leaves the caption's strip above the
    // panel; once the panel has been hidden or shown, it reaches the panel or the bottom.
    enum class SurfaceRule { AboveCaptionStrip, AbovePanel, Full };
    SurfaceRule surfaceRule_ = SurfaceRule::AboveCaptionStrip;
    // Set while the window lives inside another program's window: its size.
    std::optional<QSize> hostSize_;
};
