#pragma once

class QWidget;

namespace windows_look {

// Keeps a top-level window's frame (title bar and borders included) within the screen's
// work area, the screen less any desktop panels, once a window manager has framed it.
// Filling: the frame covers the whole work area. Otherwise a window too big is made smaller
// and one that sticks out is moved in; one that fits is left where it was placed.
enum class FrameFit { Fill, Within };
void keepFrameOnScreen(QWidget* window, FrameFit fit);

} // namespace windows_look
