#include "support/LoadedWindow.h"

#include <QTest>

#include <gtest/gtest.h>

// The main window lays its panel out again from the size a window manager grants it.
namespace {

struct Grant {
    const char* what;
    QSize size;
    int panelToggles;
    int strip; // black strip left between the surface and the panel
};

TEST(WindowFit, PanelFollowsTheGrantedSize) {
    const int panel = 157;
    const int caption = 17;
    const Grant grants[] = {
        {"the screen", {1024, 768}, 0, caption},
        {"the screen with the panel hidden", {1024, 768}, 1, 0},
        {"the screen after P twice", {1024, 768}, 2, 0},
        {"less height, a desktop panel kept in view", {1024, 738}, 0, caption},
        {"more than the screen", {1280, 1024}, 0, caption},
        {"less height after P twice", {1024, 738}, 2, 0},
        {"less height with the panel hidden", {1024, 738}, 1, 0},
    };
    for (const Grant& g : grants) {
        SCOPED_TRACE(g.what);
        testing_support::LoadedWindow w;
        for (int i = 0; i < g.panelToggles; ++i) {
            QTest::keyClick(w.form.windowHandle(), Qt::Key_P);
        }
        w.form.resize(g.size);
        QCoreApplication::processEvents();
        ASSERT_EQ(w.form.size(), g.size);
        EXPECT_EQ(w.form.panel().isVisible(), g.panelToggles % 2 == 0);
        const QRect bar = w.form.panel().geometry();
        EXPECT_EQ(bar, QRect(0, g.size.height() - panel, g.size.width(), panel));
        const int surfaceBottom = w.form.panel().isVisible() ? bar.top() : g.size.height();
        EXPECT_EQ(w.form.findChild<platform::SurfaceWidget*>()->geometry(),
                  QRect(0, 0, g.size.width(), surfaceBottom - g.strip));
        EXPECT_EQ(QSizeF(w.form.MyPic().ScaleWidth(), w.form.MyPic().ScaleHeight()),
                  QSizeF(g.size.width(), surfaceBottom - g.strip));
        const QRect speed = w.form.panel().speedSlider()->geometry().translated(bar.topLeft());
        EXPECT_LE(speed.bottom(), g.size.height() - 1) << "the Speed row stays in the window";
    }
}

} // namespace
