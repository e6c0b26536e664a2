#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace tarnwick {
namespace {

// Large enough for any real screen, small enough that right - left never overflows.
constexpr int kLargestSide = 100000;

bool OnSomeScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(rect)) {
            return true;
        }
    }
    return false;
}

}  // namespace

WindowPos PlacementOf(const QWidget& window) {
    const QRect normal =
        window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    WindowPos pos;
    pos.ShowCmd = window.isMinimized()   ? kShowMinimized
                  : window.isMaximized() ? kShowMaximized
                                         : kShowNormal;
    pos.MinX = pos.MinY = pos.MaxX = pos.MaxY = -1;
    pos.Left = normal.x();
    pos.Top = normal.y();
    pos.Right = normal.x() + normal.width();
    pos.Bottom = normal.y() + normal.height();
    return WithMaximizedFlag(pos, window.isMaximized());
}

void ApplyPlacement(QWidget& window, const WindowPos& pos) {
    const long long width = static_cast<long long>(pos.Right) - pos.Left;
    const long long height = static_cast<long long>(pos.Bottom) - pos.Top;
    if (width > 0 && height > 0 && width <= kLargestSide && height <= kLargestSide) {
        const QRect rect(pos.Left, pos.Top, static_cast<int>(width), static_cast<int>(height));
        if (OnSomeScreen(rect)) {
            window.setGeometry(rect);
        }
    }
    if (pos.ShowCmd == kShowMaximized || RestoresMaximized(pos)) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

}  // namespace tarnwick
