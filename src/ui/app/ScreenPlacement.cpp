#include "ui/app/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace moxtel {

QMargins WindowDecoration(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const QMargins known(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                         frame.bottom() - inner.bottom());
    if (!known.isNull() || QGuiApplication::platformName() == QLatin1String("offscreen")) return known;
    // The frame is added by a window manager after the first show: a title bar of about 30 pixels.
    return QMargins(4, 32, 4, 4);
}

QRect FrameInside(const QRect& frame, const QRect& available) {
    QRect placed(frame.topLeft(), frame.size().boundedTo(available.size()));
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.right() - placed.width() + 1));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.bottom() - placed.height() + 1));
    return placed;
}

void PlaceInsideScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) return;
    const QMargins decoration = WindowDecoration(window);
    // A top-level window's position is its frame's top left corner, also before a window manager
    // has drawn the frame.
    const QRect frame(window.pos(), window.size().grownBy(decoration));
    const QRect placed = FrameInside(frame, screen->availableGeometry());
    if (placed.size() != frame.size()) window.resize(placed.size().shrunkBy(decoration));
    if (placed.topLeft() != window.pos()) window.move(placed.topLeft());
}

}  // namespace moxtel
