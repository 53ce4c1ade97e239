#include "ui/app/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace moxtel {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x3a, 0x5f));
    painter.drawRoundedRect(QRectF(1 * unit, 1 * unit, 30 * unit, 30 * unit), 5 * unit, 5 * unit);
    // Bars rising from a middle line: inflow up in red, outflow down in green.
    const qreal base = 17 * unit;
    const QColor red(0xe0, 0x3c, 0x31);
    const QColor green(0x2e, 0xb8, 0x4b);
    const qreal heights[] = {6, -4, 10, -7, 12};
    for (int i = 0; i < 5; ++i) {
        const qreal h = heights[i] * unit;
        painter.setBrush(h > 0 ? red : green);
        const qreal x = (5 + i * 4.6) * unit;
        painter.drawRect(QRectF(x, h > 0 ? base - h : base, 3.2 * unit, h > 0 ? h : -h));
    }
    painter.setBrush(QColor(0xf0, 0xf0, 0xf0));
    painter.drawRect(QRectF(4 * unit, base - 0.5 * unit, 24 * unit, 1 * unit));
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(DrawIcon(size));
    return icon;
}

}  // namespace moxtel
