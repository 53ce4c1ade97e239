#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

namespace moxtel {

// The room a window manager's frame takes around a window: the frame known once the window is
// shown in one, else an allowance for a title bar and borders (none on the offscreen platform,
// which draws no frames).
QMargins WindowDecoration(const QWidget& window);

// A window's frame moved, and shrunk where it is larger, into the available area: its top left
// corner (the title bar) first, so a frame taller than the area loses its bottom, never its top.
QRect FrameInside(const QRect& frame, const QRect& available);

// Places a top-level window, frame included, inside its screen's available area: first start,
// a restored place off the screen, or a size larger than the screen.
void PlaceInsideScreen(QWidget& window);

}  // namespace moxtel
